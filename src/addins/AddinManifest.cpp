#include "addins/AddinManifest.h"

#include <QDir>
#include <QVersionNumber>
#include <QXmlStreamReader>
#include <memory>
#include <vector>

namespace kestra {

namespace {

// The manifest as a small tree, so that the reading below can look names up
// without regard to case in any order.
struct ManifestNode {
    QString name;
    QList<QPair<QString, QString>> attributes;
    QString text;
    std::vector<std::unique_ptr<ManifestNode>> children;

    QString attribute(const QString &key) const
    {
        for (const auto &a : attributes) {
            if (a.first.compare(key, Qt::CaseInsensitive) == 0)
                return a.second;
        }
        return {};
    }
    bool is(const char *key) const { return name.compare(QLatin1String(key), Qt::CaseInsensitive) == 0; }
};

std::unique_ptr<ManifestNode> parseManifestTree(const QByteArray &xml, QString *error)
{
    QXmlStreamReader reader(xml);
    std::unique_ptr<ManifestNode> root;
    std::vector<ManifestNode *> open;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            auto node = std::make_unique<ManifestNode>();
            node->name = reader.name().toString();
            for (const QXmlStreamAttribute &a : reader.attributes())
                node->attributes.append({a.qualifiedName().toString(), a.value().toString()});
            ManifestNode *raw = node.get();
            if (open.empty())
                root = std::move(node);
            else
                open.back()->children.push_back(std::move(node));
            open.push_back(raw);
        } else if (reader.isEndElement()) {
            open.pop_back();
        } else if ((reader.isCharacters() || reader.isCDATA()) && !open.empty()) {
            open.back()->text += reader.text();
        }
    }
    if (reader.hasError()) {
        *error = QStringLiteral("第%1行第%2列：%3")
                     .arg(reader.lineNumber())
                     .arg(reader.columnNumber())
                     .arg(reader.errorString());
        return nullptr;
    }
    if (!root)
        *error = QStringLiteral("没有根元素");
    return root;
}

bool manifestRequirementsHold(const ManifestNode &requirements, const QString &hostVersion, QString *reason)
{
    for (const auto &child : requirements.children) {
        if (!child->is("Host")) {
            *reason = QStringLiteral("无法检查的要求：") + child->name;
            return false;
        }
        const QVersionNumber needed = QVersionNumber::fromString(child->attribute(QStringLiteral("version")));
        if (QVersionNumber::fromString(hostVersion) < needed) {
            *reason = QStringLiteral("需要程序版本 ") + needed.toString();
            return false;
        }
    }
    return true;
}

void readManifestBody(const ManifestNode &root, AddinManifest &m)
{
    for (const auto &child : root.children) {
        if (child->is("Runtime")) {
            for (const auto &imp : child->children) {
                if (imp->is("Import"))
                    m.imports.append(
                        {imp->attribute(QStringLiteral("assembly")), imp->attribute(QStringLiteral("class"))});
            }
        } else if (child->is("Initialize")) {
            for (const auto &p : child->children) {
                if (p->is("Process"))
                    m.startup.append({p->attribute(QStringLiteral("shortcut")), p->attribute(QStringLiteral("class"))});
            }
        } else if (child->is("Option")) {
            m.option = {child->attribute(QStringLiteral("ShortCut")), child->attribute(QStringLiteral("Class"))};
        } else if (child->is("Extension")) {
            AddinExtension ext;
            ext.path = child->attribute(QStringLiteral("path"));
            for (const auto &item : child->children)
                ext.items.append({item->name, item->attributes, item->text.trimmed()});
            m.extensions.append(ext);
        }
    }
}

} // namespace

QString AddinExtenItem::attribute(const QString &name) const
{
    for (const auto &a : attributes) {
        if (a.first.compare(name, Qt::CaseInsensitive) == 0)
            return a.second;
    }
    return {};
}

AddinManifestRead readAddinManifest(const QByteArray &xml, const QString &hostVersion)
{
    AddinManifestRead result;
    const std::unique_ptr<ManifestNode> root = parseManifestTree(xml, &result.error);
    if (!root)
        return result;
    AddinManifest &m = result.manifest;
    m.id = root->attribute(QStringLiteral("id"));
    m.name = root->attribute(QStringLiteral("name"));
    m.version = root->attribute(QStringLiteral("version"));
    m.provider = root->attribute(QStringLiteral("provider"));
    m.icon = root->attribute(QStringLiteral("icon"));
    m.pic = root->attribute(QStringLiteral("pic"));
    m.url = root->attribute(QStringLiteral("url"));
    m.description = root->attribute(QStringLiteral("description"));
    for (const auto &child : root->children) {
        if (child->is("Requires") && !manifestRequirementsHold(*child, hostVersion, &m.requirementsReason))
            m.requirementsMet = false;
    }
    if (m.requirementsMet)
        readManifestBody(*root, m);
    result.ok = true;
    return result;
}

QString addinFile(const QString &addinFolder, const QString &relative)
{
    QString name = relative.trimmed();
    name.replace(u'\\', u'/');
    if (name.isEmpty() || name.startsWith(u'/') || (name.size() >= 2 && name.at(1) == u':'))
        return {};
    const QString folder = QDir::cleanPath(QDir(addinFolder).absolutePath());
    const QString path = QDir::cleanPath(folder + u'/' + name);
    if (!path.startsWith(folder + u'/'))
        return {};
    for (const QString &part : name.split(u'/')) {
        if (part == QLatin1String(".."))
            return {};
    }
    return path;
}

} // namespace kestra
