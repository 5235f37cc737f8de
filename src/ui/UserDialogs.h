#pragma once
// Every message box and open-file dialog of the program goes through this interface. The
// program passes CQtUserDialogs; tests pass a recorder and see exactly which text, caption and
// icon the user would have been shown, without a modal box blocking the test.

#include <QString>
#include <memory>

class QFileDialog;
class QWidget;

enum class MessageIcon { None, Error, Warning };

class CUserDialogs {
public:
    virtual ~CUserDialogs();
    // A modal box with an OK button; returns when the user has closed it.
    virtual void ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                             MessageIcon icon) = 0;
    // The open-file dialog for an existing file; filter as QFileDialog takes it
    // ("Name (*.ext);;Other (*.*)"). The chosen path, or an empty text when cancelled.
    virtual QString GetOpenFileName(QWidget* owner, const QString& filter) = 0;
    // The save-file dialog, which asks before a file is replaced; a name typed without an
    // extension gets defaultSuffix ("pcap"). The chosen path, or an empty text when cancelled.
    virtual QString GetSaveFileName(QWidget* owner, const QString& filter,
                                    const QString& defaultSuffix) = 0;
};

class CQtUserDialogs : public CUserDialogs {
public:
    void ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                     MessageIcon icon) override;
    QString GetOpenFileName(QWidget* owner, const QString& filter) override;
    QString GetSaveFileName(QWidget* owner, const QString& filter,
                            const QString& defaultSuffix) override;

    // The dialog GetOpenFileName runs. Each filter is shown by its name alone, so a filter
    // written "Файлы с пакетами(*.kad) (*.kad)" reads "Файлы с пакетами(*.kad)" and matches
    // the patterns in its last brackets.
    static std::unique_ptr<QFileDialog> MakeOpenFileDialog(QWidget* owner, const QString& filter);
};
