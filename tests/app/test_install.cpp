// The Debian package, installed into a temporary root: its files, its
// metadata, a first run of the installed program (whose bin folder is not its
// program folder) and the pictures the program carries inside.
#include "AppHarness.h"

#include "app/ProgramFolder.h"
#include "app/Settings.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QToolButton>

#include <set>

using namespace fnk;

namespace {

struct Run {
    int code = -1;
    QString output;
};

Run run(const QString& program, const QStringList& args,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(30000))
        return {-1, QStringLiteral("could not start ") + program};
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        return {-2, QStringLiteral("timed out: ") + QString::fromLocal8Bit(p.readAll())};
    }
    r.output = QString::fromLocal8Bit(p.readAll());
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3;
    return r;
}

// The regular files below `root`, relative to it.
std::set<QString> filesUnder(const QString& root)
{
    std::set<QString> out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.insert(QDir(root).relativeFilePath(it.next()));
    return out;
}

const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir work_;
    QString deb_;
    QString root_;  // the package unpacked, as if installed

    QString home() const { return work_.filePath(QStringLiteral("home")); }
    QString perUserFolder() const { return home() + QStringLiteral("/.local/share/Fennick/Fennick/"); }

    Run runInstalled() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home() + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home() + QStringLiteral("/.config"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("FENNICK_CLOSE_AFTER_START"), QStringLiteral("1"));
        return run(root_ + QStringLiteral("/usr/bin/fennick"), {}, env);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
        const QString out = work_.filePath(QStringLiteral("out"));
        const Run pack = run(QStringLiteral(FENNICK_CPACK),
                             {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                              QStringLiteral(FENNICK_BUILD_DIR "/CPackConfig.cmake"),
                              QStringLiteral("-B"), out});
        QVERIFY2(pack.code == 0, qPrintable(pack.output));
        const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        deb_ = out + QLatin1Char('/') + debs.first();
        QVERIFY2(debs.first().startsWith(QLatin1String("fennick_4.2_")), qPrintable(debs.first()));

        root_ = work_.filePath(QStringLiteral("root"));
        const Run unpack = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb_, root_});
        QVERIFY2(unpack.code == 0, qPrintable(unpack.output));
        QVERIFY(QDir().mkpath(home()));
    }

    void packageHoldsItsFilesAndNothingElse()
    {
        std::set<QString> expected = {
            QStringLiteral("usr/bin/fennick"),
            QStringLiteral("usr/share/applications/fennick.desktop"),
            QStringLiteral("usr/share/metainfo/net.tovermill.Fennick.metainfo.xml"),
            QStringLiteral("usr/share/icons/hicolor/scalable/apps/fennick.svg"),
            QStringLiteral("usr/share/man/man1/fennick.1.gz"),
        };
        for (int size : kIconSizes)
            expected.insert(QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/fennick.png").arg(size));
        QCOMPARE(filesUnder(root_), expected);
        QVERIFY(QFileInfo(root_ + QStringLiteral("/usr/bin/fennick")).isExecutable());
    }

    void dependenciesComeFromTheLinkedLibraries()
    {
        const Run depends = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb_, QStringLiteral("Depends")});
        QCOMPARE(depends.code, 0);
        for (const char* lib : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6printsupport6",
                                "libqt6svg6", "libc6", "libstdc++6"})
            QVERIFY2(depends.output.contains(QLatin1String(lib)), qPrintable(lib + (": " + depends.output)));
    }

    void desktopMetadataIsValid()
    {
        const QString share = root_ + QStringLiteral("/usr/share/");
        const Run validate = run(QStringLiteral("appstreamcli"),
                                 {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                  share + QStringLiteral("metainfo/net.tovermill.Fennick.metainfo.xml")});
        QVERIFY2(validate.code == 0, qPrintable(validate.output));

        // The desktop entry starts the installed program and names its icon.
        QSettings entry(share + QStringLiteral("applications/fennick.desktop"), QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
        const QString exec = entry.value(QStringLiteral("Exec")).toString();
        QVERIFY(QFileInfo::exists(root_ + QStringLiteral("/usr/bin/") + exec));
        const QString icon = entry.value(QStringLiteral("Icon")).toString();
        QVERIFY(QFileInfo::exists(share + QStringLiteral("icons/hicolor/scalable/apps/") + icon
                                  + QStringLiteral(".svg")));

        // The metainfo points at that desktop entry and that program.
        const QByteArray meta =
            testsupport::readBytes(share + QStringLiteral("metainfo/net.tovermill.Fennick.metainfo.xml"));
        QVERIFY(meta.contains("<launchable type=\"desktop-id\">fennick.desktop</launchable>"));
        QVERIFY(meta.contains("<binary>" + exec.toLatin1() + "</binary>"));

        const Run man = run(QStringLiteral("gzip"), {QStringLiteral("-dc"), share + QStringLiteral("man/man1/fennick.1.gz")});
        QCOMPARE(man.code, 0);
        QVERIFY(man.output.startsWith(QLatin1String(".TH FENNICK 1")));
        QVERIFY(man.output.contains(QLatin1String("fnk41.cfg")));
    }

    void iconsHaveTheSizesTheirFoldersSay()
    {
        const QString hicolor = root_ + QStringLiteral("/usr/share/icons/hicolor/");
        for (int size : kIconSizes) {
            const QImage png(hicolor + QStringLiteral("%1x%1/apps/fennick.png").arg(size));
            QCOMPARE(png.size(), QSize(size, size));
            // Not an empty canvas: the middle of the picture is opaque.
            QCOMPARE(qAlpha(png.pixel(size / 2, size / 2)), 255);
        }
        const QImage svg(hicolor + QStringLiteral("scalable/apps/fennick.svg"));
        QVERIFY(!svg.isNull());
    }

    // Installed in a bin folder, the program keeps its settings and its first
    // data set in the per-user folder, and nothing is written beside it (even
    // for root, who could).
    void firstRunOfTheInstalledProgram()
    {
        const Run first = runInstalled();
        QVERIFY2(first.code == 0, qPrintable(first.output));

        const QString folder = perUserFolder();
        QCOMPARE(QFileInfo(folder + QStringLiteral("fnk41.cfg")).size(), 1274);
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("fennick.dat")));
        QCOMPARE(QFileInfo(folder + QStringLiteral("fennick.dat")).size(), 0);
        QStringList names;
        for (const store::CategoryEntry& e : store::CategoryFile(folder + QStringLiteral("category.dat")).readAll())
            names << e.categoryNameText().trimmed();
        names.sort();
        QCOMPARE(names, (QStringList{"Food", "Shelter", "Taxes", "Wages"}));
        QCOMPARE(QDir(root_ + QStringLiteral("/usr/bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("fennick")});

        // A second start reads the settings kept there instead of starting over.
        const app::SettingsFile settings(folder);
        app::SettingsFile::ReadResult kept = settings.read();
        QCOMPARE(kept.status, app::SettingsFile::Status::Good);
        QCOMPARE(kept.record.userField1Name().trimmed(), QStringLiteral("user 1"));
        kept.record.setUserField1Name(QStringLiteral("Payee"));
        settings.write(kept.record);

        const Run second = runInstalled();
        QVERIFY2(second.code == 0, qPrintable(second.output));
        QCOMPARE(settings.read().record.userField1Name().trimmed(), QStringLiteral("Payee"));
        QCOMPARE(store::CategoryFile(folder + QStringLiteral("category.dat")).count(), 4);
    }

    void programFolderRule()
    {
        // An installed copy never uses its own folder...
        const QString bin = root_ + QStringLiteral("/usr/bin");
        QVERIFY(app::isInstalledCopy(bin));
        QVERIFY(app::programFolderFor(bin) != app::withTrailingSlash(bin));
        // ...a copy in a writable folder of its own does.
        QTemporaryDir own;
        QVERIFY(!app::isInstalledCopy(own.path()));
        QCOMPARE(app::programFolderFor(own.path()), own.path() + QLatin1Char('/'));
    }

    // The toolbar's pictures are inside the program: each button draws one,
    // sharp at twice the size, and the four report kinds look different.
    void toolbarButtonsShowPictures()
    {
        AppHarness h;
        h.start();
        const QList<QToolButton*> buttons =
            h.child<QWidget>("ToolBarRow")->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(buttons.size(), 17);
        for (QToolButton* b : buttons) {
            const QIcon icon = b->icon();
            QVERIFY2(!icon.isNull(), qPrintable(b->objectName()));
            const QImage twice = icon.pixmap(QSize(48, 48)).toImage();
            QVERIFY2(twice.size() == QSize(48, 48), qPrintable(b->objectName()));
            int opaque = 0;
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 48; ++x)
                    opaque += qAlpha(twice.pixel(x, y)) > 200;
            QVERIFY2(opaque > 48 * 48 / 5, qPrintable(b->objectName()));
        }
        const char* reports[] = {"btn_Summary", "btn_Full", "btn_SummaryWide", "btn_FullWide",
                                 "btn_ModeBlue", "btn_ModeWhite"};
        std::set<QByteArray> seen;
        for (const char* name : reports) {
            const QImage img = h.child<QToolButton>(name)->icon().pixmap(QSize(24, 24)).toImage();
            seen.insert(QByteArray(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes()));
        }
        QCOMPARE(seen.size(), std::size(reports));
        QVERIFY(!h.window->windowIcon().pixmap(QSize(64, 64)).isNull());
    }
};

QTEST_MAIN(TestInstall)
#include "test_install.moc"
