// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <fstream>

#include "moduleloader.h"

// The test runs from a folder of its own, as every test program does: the
// build's modules are where QVB_MODULE_FOLDER says (ctest sets it).
class TestModuleLoader : public QObject {
    Q_OBJECT

    std::string m_buildModules;

private slots:
    void initTestCase() {
        const char* folder = std::getenv(ModuleFolderVariable);
        QVERIFY2(folder && *folder, "QVB_MODULE_FOLDER must name the build's top folder");
        m_buildModules = folder;
    }
    void cleanup() { ::setenv(ModuleFolderVariable, m_buildModules.c_str(), 1); }

    void findsTheFirstFolderThatHoldsTheFile_data() {
        QTest::addColumn<QStringList>("holders");  // folders (a, b, env) that hold the file
        QTest::addColumn<bool>("bAsDirectory");   // b has a folder of that name instead
        QTest::addColumn<QString>("expected");     // which folder's file is found, "" none
        QTest::newRow("given folders first") << QStringList{"a", "b", "env"} << false << "a";
        QTest::newRow("then the next given") << QStringList{"b", "env"} << false << "b";
        QTest::newRow("the environment's last") << QStringList{"env"} << false << "env";
        QTest::newRow("a folder is no module") << QStringList{"env"} << true << "env";
        QTest::newRow("nowhere") << QStringList{} << false << "";
    }
    void findsTheFirstFolderThatHoldsTheFile() {
        QFETCH(QStringList, holders);
        QFETCH(bool, bAsDirectory);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const std::string name = "libqvbtestmodule.so";
        for (const char* folder : {"a", "b", "env"}) {
            QVERIFY(QDir(root.path()).mkpath(folder));
            const std::string path = root.filePath(folder).toStdString() + "/" + name;
            if (holders.contains(folder))
                std::ofstream(path) << "module";
            else if (bAsDirectory && QString(folder) == "b")
                QVERIFY(QDir().mkpath(QString::fromStdString(path)));
        }
        ::setenv(ModuleFolderVariable, root.filePath("env").toStdString().c_str(), 1);
        const std::string found = findModuleFile(
            name, {root.filePath("a").toStdString(), root.filePath("b").toStdString()});
        const std::string want =
            expected.isEmpty() ? std::string() : root.filePath(expected).toStdString() + "/" + name;
        QCOMPARE(found, want);
    }

    void opensAnEntryOnlyWhereModulesAre_data() {
        QTest::addColumn<bool>("withBuildFolder");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("found");
        QTest::newRow("the limiter's entry") << true << "ladspa_descriptor" << true;
        QTest::newRow("no such entry") << true << "qvb_no_such_entry" << false;
        // Without the variable nothing but the program's own folders is
        // searched, and the build's modules are not beside the test.
        QTest::newRow("the build is not searched") << false << "ladspa_descriptor" << false;
    }
    void opensAnEntryOnlyWhereModulesAre() {
        QFETCH(bool, withBuildFolder);
        QFETCH(QString, entry);
        QFETCH(bool, found);
        if (!withBuildFolder)
            ::unsetenv(ModuleFolderVariable);
        void* function = openModuleEntry("libqvblimiter.so", entry.toLatin1().constData());
        QCOMPARE(function != nullptr, found);
    }
};

QTEST_GUILESS_MAIN(TestModuleLoader)
#include "tst_moduleloader.moc"
