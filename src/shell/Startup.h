#pragma once

#include "core/AppContext.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace kestra {

// The start-up sequence, from reading kestra.ini to the login form waiting.
// Each step reports its status text through the callback (the login form's
// status line); a failing step has shown its message when run() returns.
class Startup {
public:
    using StatusSink = std::function<void(const QString &)>;

    // Where a load that another subsystem registers runs, and what its
    // failure means. A loader returns 0 or -1; on -1 it has shown (or left
    // in the error record) what went wrong.
    enum class Stage {
        AfterCodeTables,    // with the code tables (the bibliographic start-up
                            // tables, the cataloguing settings): failure ends
                            // the run as an unexpected error
        PrintParameters,    // the label print parameters: failure ends the run
                            // with "系统初始化出错，启动失败！"
        AfterLocationLists, // with the location and acquisition lists:
                            // failure is an unexpected error
        Optional,           // with the optional settings: failure is ignored
    };
    using Loader = std::function<int(AppContext &)>;

    Startup(AppContext &context, StatusSink status);

    // Registers an extra start-up load; loaders of a stage run in the order
    // they were added.
    void addLoader(Stage stage, const QString &name, Loader load);

    // 0 when the login form should wait for the operator, -1 when the
    // program must end.
    int run();

    // NextToken: the part of text before the first separator; text keeps
    // the rest (or becomes empty when there is no separator).
    static QString nextToken(QString &text, const QString &separator);

    // The version the client compares with system parameter 99:
    // "major.minor.revision" of the build.
    static QString clientVersion();

    // The command-line text of a run: the arguments after the program name
    // joined by blanks, without the program's own --root option.
    static QString commandLineText(const QStringList &arguments);

private:
    struct Registered {
        Stage stage;
        QString name;
        Loader load;
    };
    int runLoaders(Stage stage);
    int unexpected(const QString &what);

    AppContext &context_;
    StatusSink status_;
    std::vector<Registered> loaders_;
};

} // namespace kestra
