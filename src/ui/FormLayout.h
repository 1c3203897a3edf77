#pragma once

class QAbstractItemView;
class QHeaderView;
class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace kestra {

class UserSettingsStore;

// The column header of a table or tree view; null for other views.
QHeaderView *columnsOf(QAbstractItemView *view);

// Forms open at the size the operator last left them at, or else at a size
// that shows their grids' columns and a screenful of rows, never larger than
// the workspace; the size, the column widths of every named grid (by
// heading) and the pane sizes of every named splitter are kept per user
// when the form closes (section "Forms" of the per-user store, keys
// "<form>/size", "<form>/<grid>" and "<form>/<splitter>").
QMdiSubWindow *showInWorkspace(QMdiArea *area, QWidget *form, UserSettingsStore &settings);

// The same for a form shown in a window of its own (frame is that window, or
// the form itself).
void rememberLayout(QWidget *frame, QWidget *form, UserSettingsStore &settings);

} // namespace kestra
