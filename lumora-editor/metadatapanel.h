// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef METADATAPANEL_H
#define METADATAPANEL_H

#include <QDockWidget>
#include <QStringList>

#include <memory>

// A side panel with what the photo holds, as `lumora-edit --info` prints it: format,
// size, colour profile, then camera, date taken, exposure, GPS, rating, keywords, one
// row each, from PictureFile::describe(). Every line is shown with its control
// characters escaped exactly as the command line escapes them (DisplayText), so that
// metadata cannot reorder or hide what the panel says.
//
// Shown or hidden by its toggle action (object name "metadata", F9, as Loupe's image
// properties), and shown again in the next session as it was left (QSettings,
// "view/metadataPanel").
class MetadataPanel : public QDockWidget
{
    Q_OBJECT

public:
    explicit MetadataPanel(QWidget *parent = nullptr);
    ~MetadataPanel() override;

    // "Key: value" lines, as describe() gives them; empty: no picture.
    void setLines(const QStringList &lines);
    // Each row as shown: "Key: value", escaped.
    QStringList shownLines() const;
    // Whether the person left it shown last time.
    static bool rememberedShown();
    void retranslate();

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // METADATAPANEL_H
