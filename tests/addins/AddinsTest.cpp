// The add-in layer without widgets: manifests (odd and broken ones), the
// paths a manifest may name, shortcuts and their variables, loading a
// folder of add-ins, and a real program started with hostile arguments.

#include "addins/AddinsCollection.h"
#include "support/TestRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;

namespace {

void writeAddinFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A program that writes each of its arguments but the first, NUL-terminated,
// into the file the first names, and only then renames it into place.
const QByteArray kArgsWriter = "#!/bin/sh\nout=$1; shift\n"
                               "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$out.part\" && "
                               "mv \"$out.part\" \"$out\"\n";

struct Loaded {
    QTemporaryDir dir;
    AddinsCollection addins;
    QStringList shown;
    QList<QPair<QString, QStringList>> started;

    explicit Loaded(bool realPrograms = false)
    {
        AddinVariables v;
        v.values = {{QStringLiteral("%A001%"), QStringLiteral("/srv/kestra/")},
                    {QStringLiteral("%C001%"), QStringLiteral("DC01")},
                    {QStringLiteral("%C002%"), QStringLiteral("pa ss\"; rm -rf ~ $(id) `id` *")}};
        AddinsCollection::Host host{[this](const QString &m) {
                                        shown.append(m);
                                        return 1;
                                    },
                                    v,
                                    {},
                                    QStringLiteral("1.0.0")};
        if (!realPrograms) {
            host.startProgram = [this](const QString &program, const QStringList &args, const QString &) {
                started.append({program, args});
                return true;
            };
        }
        addins.setHost(host);
    }
    QString path(const QString &rel) const { return dir.filePath(QStringLiteral("addins/") + rel); }
    void manifest(const QString &folder, const QByteArray &xml) const
    {
        writeAddinFile(path(folder + QStringLiteral("/addin.xml")), xml);
    }
    int load() { return addins.loadAddins(dir.filePath(QStringLiteral("addins"))); }
};

} // namespace

class AddinsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manifestNamesIgnoreCase()
    {
        const AddinManifestRead r = readAddinManifest(
            "<?xml version='1.0'?>\n<addin ID='x1' NAME='工具' Version='2.1' PROVIDER='馆' icon='a.png' pic='b.png'"
            " url='http://x' DESCRIPTION='说明'>"
            "<requires><host VERSION='1.0'/></requires>"
            "<RUNTIME><import ASSEMBLY='libx.so' Class='X'/><Unknown/></RUNTIME>"
            "<Initialize><process shortcut='[Program]a()' CLASS='X'/><process shortcut='[Program]b()'/></Initialize>"
            "<option shortcut='[Interface]Settings()' class='X'/>"
            "<Whatever><MenuItem id='ignored'/></Whatever>"
            "<extension PATH='p1'><MenuItem ID='m1' Shortcut='s1'> 文本 </MenuItem><CommandItem id='c1'/></extension>"
            "<Extension path='p2'><menuitem id='m2'/></Extension></addin>",
            QStringLiteral("1.0.0"));
        QVERIFY2(r.ok, qPrintable(r.error));
        const AddinManifest &m = r.manifest;
        QCOMPARE(QStringList({m.id, m.name, m.version, m.provider, m.icon, m.pic, m.url, m.description}),
                 QStringList({"x1", "工具", "2.1", "馆", "a.png", "b.png", "http://x", "说明"}));
        QVERIFY(m.requirementsMet);
        QCOMPARE(m.imports.size(), 1);
        QCOMPARE(m.imports[0].assembly, QStringLiteral("libx.so"));
        QCOMPARE(m.imports[0].className, QStringLiteral("X"));
        QCOMPARE(m.startup.size(), 2);
        QCOMPARE(m.startup[1].shortcut, QStringLiteral("[Program]b()"));
        QCOMPARE(m.option.shortcut, QStringLiteral("[Interface]Settings()"));
        QCOMPARE(m.extensions.size(), 2);
        const AddinExtenItem &item = m.extensions[0].items[0];
        QCOMPARE(item.type, QStringLiteral("MenuItem"));
        QCOMPARE(item.attribute(QStringLiteral("shortcut")), QStringLiteral("s1"));
        QCOMPARE(item.attribute(QStringLiteral("id")), QStringLiteral("m1"));
        QCOMPARE(item.text, QStringLiteral("文本"));
        QCOMPARE(m.extensions[1].items[0].type, QStringLiteral("menuitem"));
    }

    void requirementsGateTheBody()
    {
        const QByteArray body = "<Runtime><Import assembly='a.so' class='A'/></Runtime>"
                                "<Extension path='p'><MenuItem id='m'/></Extension></AddIn>";
        for (const auto &[req, met] : {std::pair{QByteArray("<Host version='1.0.0'/>"), true},
                                       std::pair{QByteArray("<Host version='1.2'/>"), false},
                                       std::pair{QByteArray("<Database kind='oracle'/>"), false}}) {
            const AddinManifestRead r =
                readAddinManifest("<AddIn name='n'><Requires>" + req + "</Requires>" + body, QStringLiteral("1.0.0"));
            QVERIFY(r.ok);
            QCOMPARE(r.manifest.requirementsMet, met);
            QCOMPARE(r.manifest.name, QStringLiteral("n")); // listed either way
            QCOMPARE(r.manifest.extensions.size(), met ? 1 : 0);
            QCOMPARE(r.manifest.imports.size(), met ? 1 : 0);
            QCOMPARE(r.manifest.requirementsReason.isEmpty(), met);
        }
    }

    void brokenManifestsFail()
    {
        for (const QByteArray &xml : {QByteArray("not xml at all"), QByteArray("<AddIn><Extension></AddIn>"),
                                      QByteArray(""), QByteArray("<AddIn/><Second/>")}) {
            const AddinManifestRead r = readAddinManifest(xml, QStringLiteral("1.0.0"));
            QVERIFY2(!r.ok, xml.constData());
            QVERIFY(!r.error.isEmpty());
        }
    }

    void pathsStayInsideTheFolder()
    {
        const QString folder = QStringLiteral("/srv/kestra/addins/tool");
        QCOMPARE(addinFile(folder, QStringLiteral("bin/run")), folder + QStringLiteral("/bin/run"));
        QCOMPARE(addinFile(folder, QStringLiteral("bin\\icon.png")), folder + QStringLiteral("/bin/icon.png"));
        for (const char *bad : {"../other/run", "bin/../../x", "..", "/usr/bin/env", "\\\\server\\share\\x",
                                "C:\\Windows\\x.exe", "c:x", "", "  ", "bin/../run"}) {
            QVERIFY2(addinFile(folder, QString::fromLatin1(bad)).isEmpty(), bad);
        }
    }

    void shortcutsAndVariables()
    {
        QVERIFY(!parseAddinShortcut(QStringLiteral("Program]run(a)")));
        QVERIFY(!parseAddinShortcut(QStringLiteral("[Program run(a)")));
        QVERIFY(!parseAddinShortcut(QStringLiteral("[Program]run a")));
        QVERIFY(!parseAddinShortcut(QStringLiteral("[Program](a)")));
        const auto s =
            parseAddinShortcut(QStringLiteral(" [Interface] Show ( %c001% , x%C001% ,%A001%x,%c002%,,%Z9%) "));
        QVERIFY(s);
        QCOMPARE(s->kind, QStringLiteral("Interface"));
        QCOMPARE(s->name, QStringLiteral("Show"));
        QCOMPARE(s->arguments.size(), 6);
        QCOMPARE(parseAddinShortcut(QStringLiteral("[Program]run()"))->arguments.size(), 0);
        // A name may hold brackets of its own; the arguments end at the last ")".
        QCOMPARE(parseAddinShortcut(QStringLiteral("[Program]run(a(b),c)"))->arguments, QStringList({"a(b)", "c"}));

        QObject named;
        named.setObjectName(QStringLiteral("tbToolbar"));
        AddinVariables v;
        v.values = {{QStringLiteral("%C001%"), QStringLiteral("DC01")},
                    {QStringLiteral("%C002%"), QStringLiteral("p w")}};
        v.findObject = [&named](const QString &n) { return n == named.objectName() ? &named : nullptr; };
        const QList<AddinArgument> a =
            expandAddinArguments(s->arguments + QStringList{"%object%tbToolbar", "%OBJECT%none"}, v);
        QCOMPARE(a[0].value.toString(), QStringLiteral("DC01"));
        QCOMPARE(a[1].value.toString(), QStringLiteral("x%C001%")); // inside a longer text: unchanged
        QCOMPARE(a[2].value.toString(), QStringLiteral("%A001%x"));
        QCOMPARE(a[3].value.toString(), QStringLiteral("p w"));
        QVERIFY(addinArgumentIsSecret(a[3]));
        QVERIFY(!addinArgumentIsSecret(a[0]));
        QCOMPARE(a[4].value.toString(), QString());
        QCOMPARE(a[5].value.toString(), QStringLiteral("%Z9%")); // unknown variable: as written
        QCOMPARE(a[6].value.value<QObject *>(), &named);
        QCOMPARE(a[7].value.value<QObject *>(), nullptr);
    }

    // An empty folder, a folder without a manifest, a broken manifest, an
    // import that is not a plugin, a removal mark: the rest still loads, and
    // the extension items come in load order, then manifest order.
    void loadingAFolder()
    {
        Loaded l;
        QCOMPARE(l.load(), 0); // no addins folder at all
        QDir().mkpath(l.path(QStringLiteral("empty")));
        writeAddinFile(l.path(QStringLiteral("nomanifest/readme.txt")), "x");
        l.manifest(QStringLiteral("b-broken"), "<AddIn><Extension path='p'></AddIn>");
        l.manifest(QStringLiteral("a-first"),
                   "<AddIn id='a'><Extension path='%frmMain%\\%MainMenu%'><MenuItem id='a1'/><CommandItem id='ax'/>"
                   "<MenuItem id='a2'/></Extension></AddIn>");
        writeAddinFile(l.path(QStringLiteral("c-second/ADDIN.XML")),
                       "<AddIn id='c'><Runtime><Import assembly='libfake.so' class='Fake'/>"
                       "<Import assembly='../a-first/addin.xml' class='Out'/></Runtime>"
                       "<Extension path='%FRMMAIN%\\%mainmenu%'><menuitem id='c1'/></Extension></AddIn>");
        writeAddinFile(l.path(QStringLiteral("c-second/libfake.so")), "not a shared library");
        l.manifest(QStringLiteral("d-gone"), "<AddIn id='d'/>");
        writeAddinFile(l.path(QStringLiteral("d-gone/.remove")), "");
        // A marked add-in that is a link elsewhere: the link goes, not what
        // it points to.
        writeAddinFile(l.dir.filePath(QStringLiteral("outside/addin.xml")), "<AddIn id='e'/>");
        writeAddinFile(l.dir.filePath(QStringLiteral("outside/.remove")), "");
        QVERIFY(QFile::link(l.dir.filePath(QStringLiteral("outside")), l.path(QStringLiteral("e-link"))));

        QCOMPARE(l.load(), 2);
        QVERIFY(!QFileInfo::exists(l.path(QStringLiteral("d-gone"))));
        QVERIFY(!QDir(l.path(QString())).entryList(QDir::AllEntries | QDir::System).contains(QStringLiteral("e-link")));
        QVERIFY(QFileInfo::exists(l.dir.filePath(QStringLiteral("outside/addin.xml"))));
        QCOMPARE(l.shown.size(), 3);
        QVERIFY(l.shown[0].startsWith(QStringLiteral("E不能调用插件定义文件\n")));
        QVERIFY(l.shown[0].contains(QStringLiteral("b-broken/addin.xml。 原因：\n")));
        QCOMPARE(l.shown[1], QStringLiteral("E装载Fake对象失败！"));
        QCOMPARE(l.shown[2], QStringLiteral("E装载Out对象失败！"));

        QStringList ids;
        for (const AddinEntry &e :
             l.addins.getExtensByPath(QStringLiteral("%frmMain%\\%MainMenu%"), QStringLiteral("MenuItem")))
            ids.append(e.item.attribute(QStringLiteral("id")));
        QCOMPARE(ids, QStringList({"a1", "a2", "c1"}));
        QVERIFY(
            l.addins.getExtensByPath(QStringLiteral("%frmMain%\\%Toolbar%\\Standard"), QStringLiteral("CommandItem"))
                .isEmpty());

        // An Interface command of the plugin that failed says so again and
        // calls nothing; more than five arguments are refused.
        const Addin &c = *l.addins.addins().at(1);
        QVERIFY(!l.addins.excuteExtenShortcut(c, QStringLiteral("fake"), QStringLiteral("[Interface]Run(1)")));
        QCOMPARE(l.shown.last(), QStringLiteral("E装载fake对象失败！"));
        QVERIFY(
            !l.addins.excuteExtenShortcut(c, QStringLiteral("Fake"), QStringLiteral("[Interface]Run(1,2,3,4,5,6)")));
        QVERIFY(l.shown.last().contains(QStringLiteral("多于5个")));
        // No brackets, an unknown kind: nothing happens and nothing is said.
        const qsizetype said = l.shown.size();
        QVERIFY(!l.addins.excuteExtenShortcut(c, QString(), QStringLiteral("Program:run(1)")));
        QVERIFY(!l.addins.excuteExtenShortcut(c, QString(), QStringLiteral("[Shell]run(1)")));
        QCOMPARE(l.shown.size(), said);

        // Marked now, deleted when unloaded; unmarked, kept.
        const Addin &a = *l.addins.addins().at(0);
        QVERIFY(l.addins.markForRemoval(c, true));
        QVERIFY(l.addins.markForRemoval(a, true));
        QVERIFY(l.addins.markForRemoval(a, false));
        l.addins.unload();
        QVERIFY(!QFileInfo::exists(l.path(QStringLiteral("c-second"))));
        QVERIFY(QFileInfo::exists(l.path(QStringLiteral("a-first/addin.xml"))));
        QVERIFY(!QFileInfo::exists(l.path(QStringLiteral("a-first/.remove"))));
    }

    // Start-up commands run once each, in load order; a program is looked
    // for in the add-in's folder, then on the PATH, never outside.
    void programsAreResolvedSafely()
    {
        Loaded l;
        l.manifest(QStringLiteral("tool"),
                   "<AddIn><Initialize><Process shortcut='[Program]run(%C001%, two words, %object%x)'/>"
                   "<Process shortcut='[Program]sh(-c,true)'/>"
                   "<Process shortcut='[Program]../tool/run()'/>"
                   "<Process shortcut='[Program]/bin/sh()'/>"
                   "<Process shortcut='[Program]missing-program-x()'/>"
                   "<Process shortcut='[Program]data()'/></Initialize></AddIn>");
        writeAddinFile(l.path(QStringLiteral("tool/run")), kArgsWriter);
        QFile::setPermissions(l.path(QStringLiteral("tool/run")), QFile::ReadOwner | QFile::ExeOwner);
        writeAddinFile(l.path(QStringLiteral("tool/data")), "not executable");
        QCOMPARE(l.load(), 1);
        l.addins.runStartupCommands();
        QCOMPARE(l.started.size(), 2);
        QCOMPARE(l.started[0].first, QFileInfo(l.path(QStringLiteral("tool/run"))).absoluteFilePath());
        QCOMPARE(l.started[0].second, QStringList({"DC01", "two words", "%object%x"}));
        QVERIFY(l.started[1].first.endsWith(QStringLiteral("/sh")));
        QCOMPARE(l.shown, QStringList(4, QStringLiteral("E外部调用执行失败！")));
    }

    // A real program gets the hostile values whole, one argument each, with
    // nothing interpreted by a shell on the way.
    void realProgramGetsWholeArguments()
    {
        Loaded l(true);
        const QString out = l.dir.filePath(QStringLiteral("args.out"));
        l.manifest(QStringLiteral("tool"), "<AddIn/>");
        writeAddinFile(l.path(QStringLiteral("tool/run")), kArgsWriter);
        QFile::setPermissions(l.path(QStringLiteral("tool/run")), QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(l.load(), 1);
        QVERIFY(l.addins.excuteExtenShortcut(*l.addins.addins().at(0), QString(),
                                             QStringLiteral("[Program]run(") + out +
                                                 QStringLiteral(",%c002%,a;b|c>d,'q',%A001%)")));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(out), 20000);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QList<QByteArray> got = f.readAll().split('\0');
        got.removeLast();
        QCOMPARE(got, QList<QByteArray>({"pa ss\"; rm -rf ~ $(id) `id` *", "a;b|c>d", "'q'", "/srv/kestra/"}));
        QVERIFY(l.shown.isEmpty());
    }
};

KESTRA_TEST(AddinsTest)
#include "AddinsTest.moc"
