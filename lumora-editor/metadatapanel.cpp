// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "metadatapanel.h"

#include "displaytext.h"

#include <QAction>
#include <QHeaderView>
#include <QSettings>
#include <QTreeWidget>

namespace {

const QString ShownKey = QStringLiteral("view/metadataPanel");

} // namespace

class MetadataPanel::Private
{
public:
    QTreeWidget *rows = nullptr; // owned by the panel
};

MetadataPanel::MetadataPanel(QWidget *parent)
    : QDockWidget(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("metadataPanel"));
    setFeatures(QDockWidget::DockWidgetClosable);
    d->rows = new QTreeWidget(this);
    d->rows->setObjectName(QStringLiteral("metadataRows"));
    d->rows->setColumnCount(2);
    d->rows->setHeaderHidden(true);
    d->rows->setRootIsDecorated(false);
    d->rows->setWordWrap(true);
    d->rows->setSelectionMode(QAbstractItemView::NoSelection);
    // The rows are --info's lines, written left to right in every language: mirrored,
    // "1/250 s, f/5.6" would read backwards.
    d->rows->setLayoutDirection(Qt::LeftToRight);
    d->rows->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    d->rows->header()->setStretchLastSection(true);
    setWidget(d->rows);

    QAction *toggle = toggleViewAction();
    toggle->setObjectName(QStringLiteral("metadata"));
    toggle->setShortcut(QKeySequence(Qt::Key_F9));
    // Only what the person chose is remembered, not a hide by the window closing.
    connect(toggle, &QAction::triggered, this,
            [](bool shown) { QSettings().setValue(ShownKey, shown); });
    retranslate();
}

MetadataPanel::~MetadataPanel() = default;

void MetadataPanel::setLines(const QStringList &lines)
{
    d->rows->clear();
    for (const QString &line : lines) {
        // Split where describe() joins key and value; the value escaped as a whole line
        // is, so that what shows is what --info prints.
        const QString shown = DisplayText::escaped(line);
        const qsizetype split = shown.indexOf(QStringLiteral(": "));
        auto *row = new QTreeWidgetItem(d->rows);
        row->setText(0, split < 0 ? shown : shown.left(split));
        row->setText(1, split < 0 ? QString() : shown.mid(split + 2));
        row->setToolTip(1, row->text(1));
    }
}

QStringList MetadataPanel::shownLines() const
{
    QStringList lines;
    for (int i = 0; i < d->rows->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = d->rows->topLevelItem(i);
        lines << (row->text(1).isEmpty() ? row->text(0)
                                         : row->text(0) + QStringLiteral(": ") + row->text(1));
    }
    return lines;
}

bool MetadataPanel::rememberedShown()
{
    return QSettings().value(ShownKey, false).toBool();
}

void MetadataPanel::retranslate()
{
    setWindowTitle(tr("Picture information"));
    toggleViewAction()->setText(tr("Picture &Information"));
    toggleViewAction()->setToolTip(tr("Picture information (F9)"));
}
