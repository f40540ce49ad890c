// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITSIZEWIDGET_H
#define EDITSIZEWIDGET_H

#include "mbutton.h"

class EditSizeWidgetPrivate;

// The wide tool-bar button of the crop and resize plug-ins. Its face carries two
// elided labels side by side: an information label on the left (left-aligned) and
// a dimensions label on the right (right-aligned), both vertically centred and
// blank until the owner fills them. The button's own caption stays empty. The
// owner decides the texts and connects the inherited clicked().
class EditSizeWidget : public MButton
{
    Q_OBJECT

public:
    // `parent` goes to the button (no model: the toolkit's default). Owned by the
    // parent item, or by the caller while it has none.
    explicit EditSizeWidget(QGraphicsItem *parent = nullptr);
    ~EditSizeWidget() override;

    // The dimensions label's text. Hides MButton's caption setter: the caption is
    // never set.
    virtual void setText(const QString &text);
    virtual QString text() const;

    // The information label's text.
    void setInfoLabelText(const QString &text);

private:
    Q_DISABLE_COPY(EditSizeWidget)
    EditSizeWidgetPrivate *d; // owned
};

#endif // EDITSIZEWIDGET_H
