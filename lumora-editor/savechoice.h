// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef SAVECHOICE_H
#define SAVECHOICE_H

#include <QDialog>
#include <QString>

#include <memory>

// What Save does with the file a picture was opened from: write a copy beside it
// ("NAME-edited.EXT") or replace it. The person picks one each time, or once for good
// (kept in the settings of "lumora/lumora-editor", key "save/choice"). Nothing here
// ever picks Replace unasked: a new setting, an unknown one and every default button
// mean a copy.
//
// Every edit of this editor can be undone until another picture is opened (the history
// holds edit lists, never pixels, and saving keeps it), so no edit needs a warning
// before it is made; replacing the original is the one step that cannot be taken back,
// and it is asked for or was chosen to be remembered.
namespace SaveChoice {

enum Choice {
    Ask = 0, // nothing remembered
    Copy = 1,
    Replace = 2,
};

// A name beside `original` that no file has: NAME-edited.EXT, then NAME-edited-2.EXT,
// NAME-edited-3.EXT, … (a name ending in "-edited" already gets the next number, not
// "-edited-edited"). Empty when `original` is empty.
QString copyName(const QString &original);

// The choice remembered; Ask when there is none.
Choice remembered();
// Remembers `choice` (Ask forgets).
void remember(Choice choice);

} // namespace SaveChoice

// The question Save asks about an opened file: "Save as a Copy" (the default button:
// Return copies), "Replace the Original" and Cancel (Escape), with "Always do this" to
// remember the answer. For a JPEG it offers the quality, 0 standing for the file's own.
class SaveChoiceDialog : public QDialog
{
    Q_OBJECT

public:
    // `fileName` as shown; `ownQuality` the opened JPEG's quality (0: unknown, or not a
    // JPEG); `jpeg` whether the quality is offered at all.
    SaveChoiceDialog(const QString &fileName, bool jpeg, int ownQuality, QWidget *parent = nullptr);
    ~SaveChoiceDialog() override;

    // Copy or Replace once accepted; Ask after Cancel.
    SaveChoice::Choice choice() const;
    bool rememberChoice() const;
    // 1..100, or 0 for the file's own.
    int quality() const;

private:
    class Private;
    const std::unique_ptr<Private> d;
};

// Asks only the JPEG quality (Save As to a JPEG): 0 stands for the opened file's own.
class JpegQualityDialog : public QDialog
{
    Q_OBJECT

public:
    JpegQualityDialog(const QString &fileName, int ownQuality, QWidget *parent = nullptr);
    ~JpegQualityDialog() override;

    int quality() const;

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // SAVECHOICE_H
