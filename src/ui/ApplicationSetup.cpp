#include "ui/ApplicationSetup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QIcon ProgramIcon() {
    return QIcon(QStringLiteral(":/tavrin/icons/Tavrin.svg"));
}

// Russian whatever the desktop's language: the program's own texts are Russian only.
QTranslator* InstallQtTranslations(QApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

void SetUpApplication(QApplication& application) {
    QApplication::setWindowIcon(ProgramIcon());
    InstallQtTranslations(application);
    // Qt's widgets speak Russian where they take words from the locale (the file dialog's file
    // type names); the program's own texts never go through it.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}
