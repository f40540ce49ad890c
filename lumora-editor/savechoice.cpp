// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "savechoice.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString Organization = QStringLiteral("lumora");
const QString Application = QStringLiteral("lumora-editor");
const QString ChoiceKey = QStringLiteral("save/choice");

// A spin box from 0 (the file's own, named) to 100.
QSpinBox *qualityBox(int ownQuality, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QStringLiteral("quality"));
    box->setRange(0, 100);
    box->setValue(0);
    box->setSpecialValueText(ownQuality > 0
                                 ? SaveChoiceDialog::tr("As the original (%1)").arg(ownQuality)
                                 : SaveChoiceDialog::tr("As the original"));
    return box;
}

} // namespace

namespace SaveChoice {

QString copyName(const QString &original)
{
    if (original.isEmpty())
        return QString();
    const QFileInfo info(original);
    const QDir dir = info.dir();
    QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    // "NAME-edited" and "NAME-edited-N" count on from their number.
    static const QRegularExpression edited(QStringLiteral("^(.*)-edited(?:-(\\d+))?$"));
    int number = 1;
    if (const QRegularExpressionMatch match = edited.match(base); match.hasMatch()) {
        base = match.captured(1);
        number = match.captured(2).isEmpty() ? 2 : match.captured(2).toInt() + 1;
    }
    for (;; ++number) {
        const QString name = number == 1
            ? QStringLiteral("%1-edited%2").arg(base, suffix)
            : QStringLiteral("%1-edited-%2%3").arg(base).arg(number).arg(suffix);
        const QString path = dir.filePath(name);
        // A dangling link is a name taken too.
        if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
            return path;
    }
}

Choice remembered()
{
    const QSettings store(Organization, Application);
    const int value = store.value(ChoiceKey, int(Ask)).toInt();
    return value == Copy || value == Replace ? Choice(value) : Ask;
}

void remember(Choice choice)
{
    QSettings store(Organization, Application);
    if (choice == Ask)
        store.remove(ChoiceKey);
    else
        store.setValue(ChoiceKey, int(choice));
    store.sync();
}

} // namespace SaveChoice

class SaveChoiceDialog::Private
{
public:
    virtual ~Private() = default;
    SaveChoice::Choice choice = SaveChoice::Ask;
    QCheckBox *remember = nullptr;
    QSpinBox *quality = nullptr;
};

SaveChoiceDialog::SaveChoiceDialog(const QString &fileName, bool jpeg, int ownQuality,
                                   QWidget *parent)
    : QDialog(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("saveChoice"));
    setWindowTitle(tr("Save"));
    auto *layout = new QVBoxLayout(this);
    auto *question = new QLabel(
        tr("Save the edited picture as a copy beside %1, or replace the original? A replaced "
           "original cannot be brought back.")
            .arg(fileName),
        this);
    question->setWordWrap(true);
    layout->addWidget(question);
    if (jpeg) {
        auto *form = new QFormLayout;
        d->quality = qualityBox(ownQuality, this);
        form->addRow(tr("JPEG &quality:"), d->quality);
        layout->addLayout(form);
    }
    d->remember = new QCheckBox(tr("&Always do this"), this);
    d->remember->setObjectName(QStringLiteral("remember"));
    layout->addWidget(d->remember);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *copy = buttons->addButton(tr("Save as a &Copy"), QDialogButtonBox::AcceptRole);
    QPushButton *replace
        = buttons->addButton(tr("&Replace the Original"), QDialogButtonBox::DestructiveRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    copy->setObjectName(QStringLiteral("saveCopy"));
    replace->setObjectName(QStringLiteral("replaceOriginal"));
    // Return makes a copy, whatever button was last focused by the mouse.
    copy->setDefault(true);
    copy->setAutoDefault(true);
    replace->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this, [this] {
        d->choice = SaveChoice::Copy;
        accept();
    });
    connect(replace, &QPushButton::clicked, this, [this] {
        d->choice = SaveChoice::Replace;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    copy->setFocus();
}

SaveChoiceDialog::~SaveChoiceDialog() = default;

SaveChoice::Choice SaveChoiceDialog::choice() const
{
    return result() == Accepted ? d->choice : SaveChoice::Ask;
}

bool SaveChoiceDialog::rememberChoice() const
{
    return d->remember->isChecked();
}

int SaveChoiceDialog::quality() const
{
    return d->quality ? d->quality->value() : 0;
}

class JpegQualityDialog::Private
{
public:
    virtual ~Private() = default;
    QSpinBox *quality = nullptr;
};

JpegQualityDialog::JpegQualityDialog(const QString &fileName, int ownQuality, QWidget *parent)
    : QDialog(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("jpegQuality"));
    setWindowTitle(SaveChoiceDialog::tr("JPEG quality"));
    auto *form = new QFormLayout(this);
    form->addRow(new QLabel(fileName, this));
    d->quality = qualityBox(ownQuality, this);
    form->addRow(SaveChoiceDialog::tr("JPEG &quality:"), d->quality);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

JpegQualityDialog::~JpegQualityDialog() = default;

int JpegQualityDialog::quality() const
{
    return d->quality->value();
}
