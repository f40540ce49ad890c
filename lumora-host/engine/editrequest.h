// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITREQUEST_H
#define EDITREQUEST_H

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// One edit asked for on the command line, and what a user does to get it: which
// plug-in to pick and which choices to make in its tool bar.
//
//   flip-vertical | flip-horizontal | rotate-right | rotate-left | auto-fix
//   crop=RATIO[@X,Y,WxH]  RATIO: free original square 4:3 3:4 3:2 2:3 16:9 9:16
//   resize=PCT            PCT: 12 25 50 75 100
//   effect=NAME[,NAME...] NAME: greyscale sepia old-color-photo cross-processing
//   plugin=CLASS          any loaded one-shot plug-in, by its class name
struct EditRequest
{
    enum Kind { OneShot, Crop, Resize, Effect };

    QString text; // as given
    Kind kind = OneShot;
    QString pluginClass; // the plug-in that carries it out
    int popupRow = -1; // crop and resize: the row to tap in the plug-in's popup list
    std::optional<QRect> selection; // crop: where to drag the selection, in picture pixels
    // crop: the fixed aspect ratio asked for, width to height; empty for free, and for
    // original, whose ratio is the picture's
    QSize ratio;
    QStringList buttons; // effect: object names of the buttons to tap, in order

    // Parses one edit; on failure returns nothing and says why in `error`.
    static std::optional<EditRequest> parse(const QString &text, QString *error);
    // The names accepted, for messages.
    static QStringList syntax();

    // Whether `size` has the aspect ratio `ratio`, within one pixel of rounding on
    // either side. An empty ratio fits any size.
    static bool hasRatio(const QSize &size, const QSize &ratio);
};

#endif // EDITREQUEST_H
