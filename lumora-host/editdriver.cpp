#include "editdriver.h"

#include "imageeditor.h"
#include "lumoracropper.h"
#include "mapplication.h"
#include "mwindow.h"
#include "pluginloader.h"
#include "toolbarhost.h"
#include "tracingprovider.h"

#include <QGraphicsSceneMouseEvent>

#include <optional>

namespace {

// Forwards one scene mouse event to the plug-in, in picture pixels, as the editor
// does with the events on the picture while a plug-in is active.
void forwardMouse(LumoraEditPlugin *plugin, QEvent::Type type, const QPoint &pos)
{
    QGraphicsSceneMouseEvent event(type);
    event.setPos(pos);
    event.setScenePos(pos);
    event.setButton(Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    plugin->receiveMouseEvent(&event);
}

void drag(LumoraEditPlugin *plugin, const QPoint &from, const QPoint &to)
{
    forwardMouse(plugin, QEvent::GraphicsSceneMousePress, from);
    forwardMouse(plugin, QEvent::GraphicsSceneMouseMove, to);
    forwardMouse(plugin, QEvent::GraphicsSceneMouseRelease, to);
}

} // namespace

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
    plugin->setEditUiProvider(tracer ? &*tracer : static_cast<LumoraEditUiProvider *>(&m_editor));
    int performed = 0;
    const QMetaObject::Connection connection
        = QObject::connect(plugin, &LumoraEditPlugin::editOperationPerformed, [&] {
              ++performed;
              if (tracer)
                  tracer->traceEditOperationPerformed();
          });

    const QImage before = m_editor.image();
    m_editor.beginActivation();
    plugin->activate();
    bool ok = true;
    if (!plugin->containsUi()) {
        // A one-shot edit runs the moment it is picked.
        plugin->performEditOperation();
        plugin->deactivate(true);
    } else {
        ToolBarHost toolBar(window(), plugin);
        ok = interact(request, toolBar, plugin, error);
        // Confirming hides the plug-in's popups and, for a plug-in that runs its edit
        // on confirmation, runs it; one that ran its edits on each tap only reports.
        plugin->deactivate(ok);
        if (ok && performed == 0)
            plugin->performEditOperation();
    }
    if (ok && !m_editor.activationErrors().isEmpty()) {
        *error = QStringLiteral("'%1' failed: %2")
                     .arg(request.text, m_editor.activationErrors().join(QStringLiteral("; ")));
        ok = false;
    }
    m_editor.endActivation(ok);
    if (!ok)
        m_editor.setImage(before);

    QObject::disconnect(connection);
    plugin->setEditUiProvider(nullptr);
    return ok;
}

bool EditDriver::interact(const EditRequest &request, ToolBarHost &toolBar,
                          LumoraEditPlugin *plugin, QString *error)
{
    if (!toolBar.toolBar()) {
        *error = QStringLiteral("%1 built no tool bar").arg(request.pluginClass);
        return false;
    }
    const auto tap = [&](const QString &objectName) {
        if (toolBar.tap(objectName))
            return true;
        *error = QStringLiteral("the tool bar of %1 has no button %2")
                     .arg(request.pluginClass, objectName);
        return false;
    };
    const auto choose = [&](const QString &button) {
        if (!tap(button))
            return false;
        if (toolBar.tapPopupRow(request.popupRow))
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
            auto *cropper = qobject_cast<LumoraCropper *>(plugin);
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
            // Drag the top-left corner onto the wanted one, then the bottom-right.
            const QRect current = cropper->selectionRect();
            drag(plugin, current.topLeft(), wanted.topLeft());
            drag(plugin, cropper->selectionRect().bottomRight() + QPoint(1, 1),
                 wanted.bottomRight() + QPoint(1, 1));
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
