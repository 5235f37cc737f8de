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
    // Sizes, dates and file types in Qt's dialogs read as Russian too ("302 байт", "Каталог").
    // The program's own texts never go through the locale.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}
