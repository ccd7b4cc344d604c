// One program for all window tests: "frontend_tests NAME [Qt Test options]" runs one class.
// Qt must not see the user's real Documents folder, so HOME moves to a private temporary
// folder before the application object exists.
#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "TestMain.h"

namespace quill::test {

namespace {

std::map<std::string, QtTestFactory>& Registry() {
    static std::map<std::string, QtTestFactory> tests;
    return tests;
}

QString& HomeFolder() {
    static QString home;
    return home;
}

}  // namespace

int RegisterQtTest(const char* name, QtTestFactory factory) {
    Registry()[name] = factory;
    return 0;
}

QString TestHome() {
    return HomeFolder();
}

}  // namespace quill::test

int main(int argc, char** argv) {
    QTemporaryDir home(QDir::tempPath() + "/quillby-fe-XXXXXX");
    if (!home.isValid()) {
        return 2;
    }
    quill::test::HomeFolder() = home.path();
    setenv("HOME", home.path().toUtf8().constData(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8().constData(), 1);
    // The chapter store, the library and the render cache stay in the test's home too.
    setenv("XDG_DATA_HOME", (home.path() + "/.local/share").toUtf8().constData(), 1);
    setenv("XDG_CACHE_HOME", (home.path() + "/.cache").toUtf8().constData(), 1);
    setenv("XDG_RUNTIME_DIR", home.path().toUtf8().constData(), 1);
    setenv("QUILLBY_DEBUG_LOG", (home.path() + "/debug.log").toUtf8().constData(), 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    std::string only;
    if (args.size() > 1 && !args[1].startsWith('-')) {
        only = args[1].toStdString();
        args.removeAt(1);
    }
    int failures = 0;
    int run = 0;
    for (const auto& [name, factory] : quill::test::Registry()) {
        if (!only.empty() && name != only) {
            continue;
        }
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), args);
        ++run;
    }
    return run == 0 ? 2 : (failures == 0 ? 0 : 1);
}
