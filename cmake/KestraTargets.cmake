# Common compile settings for every Kestra target.

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
  if(KESTRA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(KESTRA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# Precompiled headers are shared between the libraries of one layer kind so
# that a two-core CI machine does not compile the Qt headers again per target.
function(kestra_core_pch target)
  target_precompile_headers(${target} PRIVATE
    <QString> <QStringList> <QByteArray> <QList> <QHash> <QMap> <QVariant>
    <QDate> <QDateTime> <QFile> <QDir> <QFileInfo> <QTextStream>
    <QStringDecoder> <QStringEncoder> <memory> <optional> <vector> <functional>)
endfunction()

function(kestra_gui_pch target)
  kestra_core_pch(${target})
  target_precompile_headers(${target} PRIVATE <QWidget> <QDialog> <QLabel> <QLineEdit>
    <QPushButton> <QComboBox> <QTableWidget> <QMessageBox> <QMainWindow> <QVBoxLayout> <QHBoxLayout>)
endfunction()
