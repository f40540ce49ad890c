// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef SIZETOOLBAR_H
#define SIZETOOLBAR_H

#include <QPointer>
#include <QString>
#include <QStringList>

class EditSizeWidget;
class MLabel;
class MLinearLayoutPolicy;
class MPopupList;
class QGraphicsItem;
class QObject;

// What the crop and resize plug-ins build alike: the tool bar around one
// EditSizeWidget, the popup list of choices it opens, and the size text it shows.
namespace SizeToolBar {

// Height of the tool bar, in either orientation.
inline constexpr int Height = 72;

// The button: a parentless EditSizeWidget named `objectName`, styled as a single
// oversize inverted button, expanding across and at most its height down, with
// clicked() connected to `receiver`'s `clickedMember` (a SLOT() signature).
// Owned by the caller until createContainer() places it.
EditSizeWidget *createButton(const QString &objectName, QObject *receiver,
                             const char *clickedMember);

// A tool bar as handed to the host.
struct Container
{
    MLabel *container; // owned by the parent item it was built under
    MLinearLayoutPolicy *policy; // owned by the container's layout
};

// The container: a styled MLabel child of `parent` whose only layout policy centres
// `button` between two equal stretches, margins 0 throughout. `button` then
// belongs to the container.
Container createContainer(EditSizeWidget *button, QGraphicsItem *parent);

// Clears `policy` once the newest button is gone: when `button` is destroyed and
// `newest` (which clears itself) no longer points at a live button. A replaced,
// older button leaves the newer policy alone. The watch ends with `context`;
// `newest` and `policy` must outlive every button destroyed while it lives.
void forgetPolicyWithButton(EditSizeWidget *button, const QPointer<EditSizeWidget> &newest,
                            MLinearLayoutPolicy *&policy, QObject *context);

// The translation of `textId` with its lowest-numbered placeholder replaced by
// `width`, then the next by `height` (decimal, no padding).
QString sizeText(const char *textId, qlonglong width, qlonglong height);

// A popup list titled `title` offering `texts` in order, through a string-list model
// that the list owns; row `currentRow` is current and scrolled into view; its
// clicked(QModelIndex) is connected to `receiver`'s `clickedMember` (a SLOT()
// signature). Owned by the caller. Each time it appears it shows its rows from the
// first, scrolled only as far as the current row needs.
MPopupList *createChoicePopup(const QString &title, const QStringList &texts, int currentRow,
                              QObject *receiver, const char *clickedMember);

} // namespace SizeToolBar

#endif // SIZETOOLBAR_H
