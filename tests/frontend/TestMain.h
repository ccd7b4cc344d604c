#pragma once

#include <QObject>
#include <QString>

namespace quill::test {

using QtTestFactory = QObject* (*)();

// Adds a Qt Test class to the one test program; ctest runs each class on its own.
int RegisterQtTest(const char* name, QtTestFactory factory);

// The private home folder the test program set up before Qt started (HOME points here,
// so the window's Documents folder lies below it).
QString TestHome();

}  // namespace quill::test

#define QUILLBY_QT_TEST(Class)           \
    static const int Class##Registered = \
        quill::test::RegisterQtTest(#Class, []() -> QObject* { return new Class; });
