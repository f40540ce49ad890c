// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editdriver.h"

#include "imageeditor.h"
#include "lumoracropper.h"
#include "mapplication.h"
#include "mwindow.h"
#include "pluginloader.h"
#include "pluginsession.h"
#include "toolbarhost.h"
#include "tracingprovider.h"

#include <optional>

EditDriver::EditDriver(const PluginLoader &loader, ImageEditor &editor, QIODevice *trace)
    : m_loader(loader)
    , m_editor(editor)
    , m_trace(trace)
{ }

EditDriver::~EditDriver() = default;

MWindow *EditDriver::window()
{
    if (!m_window) {
        m_window.reset(new MWindow);
        MApplication::setActiveWindow(m_window.data());
    }
    return m_window.data();
}

bool EditDriver::apply(const EditRequest &request, QString *error)
{
    LumoraEditPlugin *plugin = m_loader.plugin(request.pluginClass);
    if (!plugin) {
        *error = QStringLiteral("'%1' needs the plug-in %2, which is not loaded")
                     .arg(request.text, request.pluginClass);
        return false;
    }

    std::optional<TracingProvider> tracer;
    if (m_trace)
        tracer.emplace(&m_editor, request.pluginClass, m_trace);
    PluginSession session(plugin, m_editor, tracer ? &*tracer : nullptr);
    // A run that fails writes nothing: no copy is held to put back.
    session.setRestoreOnFailure(false);
    if (tracer) {
        QObject::connect(&session, &PluginSession::editOperationPerformed,
                         [&] { tracer->traceEditOperationPerformed(); });
    }

    session.start();
    // A one-shot request names nothing to choose in a tool bar: confirming it untouched
    // would pass an unedited picture for an edited one.
    if (request.kind == EditRequest::OneShot && session.needsToolBar()) {
        session.cancel();
        *error = QStringLiteral("'%1': %2 has a tool bar and needs the window")
                     .arg(request.text, request.pluginClass);
        return false;
    }
    if (session.needsToolBar()) {
        session.buildToolBar(window());
        if (interact(request, session, error))
            session.confirm();
        else
            session.cancel();
    }
    switch (session.outcome()) {
    case PluginSession::Confirmed:
        return true;
    case PluginSession::Failed:
        *error = QStringLiteral("'%1' failed: %2")
                     .arg(request.text, session.errors().join(QStringLiteral("; ")));
        return false;
    case PluginSession::Running:
    case PluginSession::Cancelled:
        break;
    }
    return false;
}

bool EditDriver::interact(const EditRequest &request, PluginSession &session, QString *error)
{
    ToolBarHost *toolBar = session.toolBarHost();
    if (!toolBar || !toolBar->toolBar()) {
        *error = QStringLiteral("%1 built no tool bar").arg(request.pluginClass);
        return false;
    }
    const auto tap = [&](const QString &objectName) {
        if (toolBar->tap(objectName))
            return true;
        *error = QStringLiteral("the tool bar of %1 has no button %2")
                     .arg(request.pluginClass, objectName);
        return false;
    };
    const auto choose = [&](const QString &button) {
        if (!tap(button))
            return false;
        if (toolBar->tapPopupRow(request.popupRow))
            return true;
        *error = QStringLiteral("the popup list of %1 has no row %2")
                     .arg(request.pluginClass)
                     .arg(request.popupRow);
        return false;
    };

    switch (request.kind) {
    case EditRequest::OneShot:
        return true;
    case EditRequest::Crop: {
        if (!choose(QStringLiteral("CropPluginButton")))
            return false;
        if (request.selection) {
            auto *cropper = qobject_cast<LumoraCropper *>(session.plugin());
            if (!cropper) {
                *error = QStringLiteral("%1 is no crop tool").arg(request.pluginClass);
                return false;
            }
            const QRect wanted = *request.selection;
            if (!QRect(QPoint(0, 0), m_editor.fullImageSize()).contains(wanted)) {
                *error = QStringLiteral("crop selection %1,%2,%3x%4 lies outside the %5x%6 picture")
                             .arg(wanted.x())
                             .arg(wanted.y())
                             .arg(wanted.width())
                             .arg(wanted.height())
                             .arg(m_editor.fullImageSize().width())
                             .arg(m_editor.fullImageSize().height());
                return false;
            }
            // The crop tool keeps a fixed ratio, so the selection must have it: the
            // picture's own for "original" (a fixed ratio was checked when parsed).
            if (cropper->cropAspectRatioType() == LumoraCropper::AspectRatioOriginal
                && !EditRequest::hasRatio(wanted.size(), m_editor.fullImageSize())) {
                *error = QStringLiteral("crop selection %1x%2 does not have the %3x%4 picture's "
                                        "ratio")
                             .arg(wanted.width())
                             .arg(wanted.height())
                             .arg(m_editor.fullImageSize().width())
                             .arg(m_editor.fullImageSize().height());
                return false;
            }
            // As a user does: the bottom-right corner pulled in until the selection has
            // the wanted size (the top-left stays put, and the ratio's diagonal is
            // followed), the selection moved by its middle, the corner pulled once more.
            QRect current = cropper->selectionRect();
            session.drag(current.bottomRight() + QPoint(1, 1),
                         current.topLeft() + QPoint(wanted.width(), wanted.height()));
            current = cropper->selectionRect();
            session.drag(current.center(), current.center() + wanted.topLeft() - current.topLeft());
            session.drag(cropper->selectionRect().bottomRight() + QPoint(1, 1),
                         wanted.bottomRight() + QPoint(1, 1));
            // What the ratio's rounding leaves, the host places exactly, as an editor
            // does with a rectangle typed in.
            if (cropper->selectionRect() != wanted)
                cropper->setSelectionRect(wanted);
        }
        return true;
    }
    case EditRequest::Resize:
        return choose(QStringLiteral("ResizePluginButton"));
    case EditRequest::Effect:
        for (const QString &button : request.buttons) {
            if (!tap(button))
                return false;
        }
        return true;
    }
    return false;
}
