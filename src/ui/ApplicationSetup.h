#pragma once
// What the program sets up once for the whole application before its window opens: the
// program's icon (title bar, task bar, the About box take it from QApplication::windowIcon) and
// Qt's own dialogs and buttons in Russian, as the rest of the program speaks.

class QApplication;
class QIcon;
class QTranslator;

// The program's icon, drawn for any size from its SVG image.
QIcon ProgramIcon();

// Installs Qt's Russian translations (from Qt's translations folder; Debian ships them in
// qt6-translations-l10n) on the application, which owns the translator. Null, and nothing
// installed, when they cannot be loaded: Qt's texts then stay English.
QTranslator* InstallQtTranslations(QApplication& application);

// The icon, the translations, and Russian as the default locale.
void SetUpApplication(QApplication& application);
