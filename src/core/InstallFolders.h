#pragma once

#include <QString>
#include <array>

namespace kestra {

// The folder table: the installation folder and the ten fixed folders under
// it, each with a trailing separator. Names keep the suite's upper case.
class InstallFolders {
public:
    enum Entry { Root = 0, Bin, Doc, Cfg, Log, Tmp, Dat, BaseParam, CardParam, Template, Z3950, Count };

    InstallFolders() = default;
    explicit InstallFolders(const QString &root);

    QString folder(int entry) const;
    const QString &root() const { return folders_[Root]; }

    // A file below the installation folder, given with either separator.
    // Folder and file names that differ only in case from the given ones
    // are accepted, because the files come from Windows workstations.
    QString file(int entry, const QString &relative) const;

    // Creates every folder of the table that is missing.
    bool createAll() const;

private:
    std::array<QString, Count> folders_{};
};

// Resolves a path whose components may differ in case from what is on disk.
// Returns the existing path when one matches, else the path as given.
QString resolvePathCaseInsensitive(const QString &path);

} // namespace kestra
