// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "windowdriver.h"

#include "editedpicture.h"
#include "edithistory.h"
#include "editorwindow.h"
#include "pictureview.h"

#include <QImage>
#include <QTest>
#include <QWindow>

class WindowDriver::Private
{
public:
    std::unique_ptr<EditorWindow> window;
    bool ready = false;
};

WindowDriver::WindowDriver(const QSize &size)
    : d(std::make_unique<Private>())
{
    EditorWindow::Options options;
    options.pluginDirs = { QStringLiteral(LUMORA_PLUGIN_DIR) };
    d->window = std::make_unique<EditorWindow>(options);
    d->window->resize(size);
    d->window->show();
    d->window->activateWindow();
    d->ready = QTest::qWaitForWindowExposed(d->window.get());
}

WindowDriver::~WindowDriver()
{
    discardEdits();
}

bool WindowDriver::isReady(QString *error) const
{
    if (!d->ready)
        *error = QStringLiteral("the window was not shown");
    return d->ready;
}

QWidget *WindowDriver::viewport() const
{
    return d->window->view()->viewport();
}

void WindowDriver::onPictureChanged(const std::function<void()> &call)
{
    QObject::connect(d->window.get(), &EditorWindow::pictureChanged, d->window.get(), call);
}

bool WindowDriver::open(const QString &path, QString *error)
{
    d->window->openPicture(path);
    if (d->window->picture().isOpen() && d->window->picture().path() == path)
        return true;
    *error = QStringLiteral("%1 did not open: %2").arg(path, d->window->message());
    return false;
}

QSize WindowDriver::pictureSize() const
{
    return d->window->picture().isOpen() ? d->window->picture().fullSize() : QSize();
}

bool WindowDriver::tap(const QString &target, QString *error)
{
    QStringList names;
    for (const EditorWindow::Target &shown : d->window->touchTargets()) {
        if (shown.name == target) {
            QTest::mouseClick(d->window->windowHandle(), Qt::LeftButton, {}, shown.rect.center());
            return true;
        }
        names << shown.name;
    }
    *error = QStringLiteral("no touch target %1 (shown: %2)")
                 .arg(target, names.join(QLatin1Char(' ')));
    return false;
}

bool WindowDriver::startSave(const QString &path, QString *error)
{
    if (d->window->saveAs(path))
        return true;
    *error = QStringLiteral("saving %1 failed: %2").arg(path, d->window->message());
    return false;
}

void WindowDriver::discardEdits()
{
    if (d->window && d->window->history())
        d->window->history()->markSaved();
}
