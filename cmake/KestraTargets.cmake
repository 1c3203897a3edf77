# Common compile settings for every Kestra target.

include(CheckLinkerFlag)
# lld links the large debug test programs several times faster than the
# default linker; scripts/setup installs it, and without it the default
# linker is used.
check_linker_flag(CXX -fuse-ld=lld KESTRA_HAVE_LLD)

function(kestra_target_defaults target)
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_USE_QSTRINGBUILDER
    QT_NO_KEYWORDS
    KESTRA_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    KESTRA_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    KESTRA_VERSION_PATCH=${PROJECT_VERSION_PATCH})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
  if(KESTRA_HAVE_LLD)
    target_link_options(${target} PRIVATE -fuse-ld=lld)
  endif()
  if(KESTRA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(KESTRA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# Precompiled headers are shared between the targets of one kind so that a
# two-core CI machine compiles the Qt headers once per kind, not per target:
#   kestra_core_pch   the db library; reused by core, marc, logic and benchmarks
#   kestra_gui_pch    the gui library
#   kestra_test_pch   the test support library; reused by the test programs
#   kestra_gui_test_pch  the gui test support; reused by the gui test program
# A target may reuse a header only when it has the same Qt definitions
# (QT_*_LIB come from the Qt libraries it links); CMake compiles with
# -Winvalid-pch, so with -Werror a mismatch fails the build instead of
# quietly parsing every header again.
function(kestra_core_pch target)
  target_precompile_headers(${target} PRIVATE
    <QString> <QStringList> <QByteArray> <QList> <QHash> <QMap> <QSet> <QVariant> <QObject>
    <QDate> <QDateTime> <QFile> <QDir> <QFileInfo> <QTextStream> <QRegularExpression>
    <QStringDecoder> <QStringEncoder> <memory> <optional> <vector> <functional> <algorithm>)
endfunction()

function(kestra_gui_pch target)
  kestra_core_pch(${target})
  target_precompile_headers(${target} PRIVATE <QWidget> <QDialog> <QLabel> <QLineEdit>
    <QPushButton> <QComboBox> <QTableWidget> <QTableView> <QHeaderView> <QMessageBox> <QMainWindow>
    <QVBoxLayout> <QHBoxLayout> <QGridLayout> <QCheckBox> <QRadioButton> <QGroupBox> <QSpinBox>)
endfunction()

function(kestra_test_pch target)
  kestra_core_pch(${target})
  target_precompile_headers(${target} PRIVATE <QTest> <QSignalSpy> <QTemporaryDir>)
endfunction()

function(kestra_gui_test_pch target)
  kestra_gui_pch(${target})
  target_precompile_headers(${target} PRIVATE <QTest> <QSignalSpy> <QTemporaryDir>)
endfunction()
