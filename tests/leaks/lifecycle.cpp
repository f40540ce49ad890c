// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Runs every plug-in through its whole life many times, as the host and a user do:
// activate, build the tool bar in the active window, choose (a popup row, an effect,
// a crop drag), confirm with deactivate(true), and the host deletes the tool bar; every
// other round the host also deletes the instance, so the next round starts a fresh one
// through the entry point. Resident memory after the first round and after the last
// may differ by at most 1 MB; more means something is kept or lost on every round.
// Between uses the host's event loop runs, as in the editor: the scene finishes its
// deferred index and update work there, which would otherwise pile up.
//
// Usage: lifecycle [ROUNDS] [--no-rss-check]
//   ROUNDS defaults to 1000. --no-rss-check is for runs under a memory checker, whose
//   own bookkeeping is what the resident size would then measure. Exit status 0 when
//   every use went as expected (and memory stayed flat), 1 otherwise, 2 on bad usage.

#include "idcatalogue.h"
#include "lumoracropper.h"
#include "lumoraeditplugin.h"
#include "lumoraedituiprovider.h"
#include "pluginlibrary.h"

#include "mapplication.h"
#include "mbutton.h"
#include "mpopuplist.h"
#include "mwindow.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsWidget>
#include <QPointer>

#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

constexpr long long AllowedGrowth = 1024 * 1024;

// Counts the requests and keeps nothing of them, so that the program itself does not
// grow from round to round.
class CountingProvider : public LumoraEditUiProvider
{
public:
    QSize fullImageSize() const override { return QSize(4000, 3000); }
    bool runEditFilter(const QString &, const QHash<QString, QVariant> &, int) override
    {
        ++calls;
        return true;
    }

    int calls = 0;
};

long long residentBytes()
{
    FILE *statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return -1;
    long long size = 0;
    long long resident = 0;
    const int read = std::fscanf(statm, "%lld %lld", &size, &resident);
    std::fclose(statm);
    return read == 2 ? resident * sysconf(_SC_PAGESIZE) : -1;
}

template<class T> T *findChild(QGraphicsItem *root, const QString &objectName = QString())
{
    const QList<QGraphicsItem *> children = root->childItems();
    for (QGraphicsItem *child : children) {
        T *object = qobject_cast<T *>(child->toGraphicsObject());
        if (object && (objectName.isEmpty() || object->objectName() == objectName))
            return object;
    }
    return nullptr;
}

MPopupList *shownPopup(QGraphicsScene *scene)
{
    const QList<QGraphicsItem *> items = scene->items();
    for (QGraphicsItem *item : items) {
        auto *popup = qobject_cast<MPopupList *>(item->toGraphicsObject());
        if (popup && popup->isAppeared())
            return popup;
    }
    return nullptr;
}

void send(QGraphicsScene *scene, QEvent::Type type, const QPointF &scenePos)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(scenePos);
    event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    QCoreApplication::sendEvent(scene, &event);
}

// A finger tap on a popup row, through the scene.
bool tapRow(QGraphicsScene *scene, int row)
{
    MPopupList *popup = shownPopup(scene);
    if (!popup || popup->rowRect(row).isEmpty())
        return false;
    const QPointF pos = popup->mapToScene(popup->rowRect(row).center());
    send(scene, QEvent::GraphicsSceneMousePress, pos);
    send(scene, QEvent::GraphicsSceneMouseRelease, pos);
    return true;
}

bool dragCrop(LumoraEditPlugin *plugin, const QPointF &from, const QPointF &to)
{
    bool used = true;
    for (QEvent::Type type : { QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseMove,
                               QEvent::GraphicsSceneMouseRelease }) {
        QGraphicsSceneMouseEvent event(type);
        const QPointF pos = type == QEvent::GraphicsSceneMousePress ? from : to;
        event.setPos(pos);
        event.setScenePos(pos);
        event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
        event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
        used = plugin->receiveMouseEvent(&event) && used;
    }
    return used;
}

const char *const libraries[]
    = { "tornel", "spekel", "dextral", "laeval", "nivora", "kadrel", "mensura", "patinex" };
const char *const effectButtons[]
    = { "BlackAndWhiteButton", "SepiaButton", "OldColorButton", "CrossProcessButton" };

// One use of the plug-in in `library`; false, with `error` set, when it did not go
// as a user expects.
bool useOnce(PluginLibrary &library, int round, MWindow &window, CountingProvider &provider,
             QString *error)
{
    LumoraEditPlugin *plugin = library.plugin();
    if (!plugin) {
        *error = QStringLiteral("no instance");
        return false;
    }
    plugin->setEditUiProvider(&provider);
    int performed = 0;
    const QMetaObject::Connection counting = QObject::connect(
        plugin, &LumoraEditPlugin::editOperationPerformed, plugin, [&performed] { ++performed; });
    const int callsBefore = provider.calls;
    QGraphicsScene *scene = window.scene();
    const QString name = QString::fromLatin1(plugin->metaObject()->className());

    plugin->activate();
    auto *holder = new QGraphicsWidget;
    scene->addItem(holder);
    QGraphicsWidget *toolBar = plugin->createToolBarWidget(holder);

    if (name == QLatin1String("EditCropPlugin")) {
        MButton *button = toolBar ? findChild<MButton>(toolBar) : nullptr;
        if (!button) {
            *error = QStringLiteral("no size button");
            return false;
        }
        button->click();
        // A ratio with a shape of its own, then the top left corner dragged inwards.
        if (!tapRow(scene, 2 + round % 3)) {
            *error = QStringLiteral("no ratio row to tap");
            return false;
        }
        const QRect selection = qobject_cast<LumoraCropper *>(plugin)->selectionRect();
        if (!dragCrop(plugin, selection.topLeft(), selection.topLeft() + QPointF(100, 100))) {
            *error = QStringLiteral("the crop tool refused the drag");
            return false;
        }
    } else if (name == QLatin1String("EditResizePlugin")) {
        MButton *button = toolBar ? findChild<MButton>(toolBar) : nullptr;
        if (!button) {
            *error = QStringLiteral("no size button");
            return false;
        }
        button->click();
        if (!tapRow(scene, round % 4)) { // 12 to 75 %
            *error = QStringLiteral("no percentage row to tap");
            return false;
        }
    } else if (name == QLatin1String("EditVintageEffectsPlugin")) {
        MButton *button = toolBar
            ? findChild<MButton>(toolBar, QLatin1String(effectButtons[round % 4]))
            : nullptr;
        if (!button) {
            *error = QStringLiteral("no effect button");
            return false;
        }
        button->click();
        // The effect ran on the tap; the host completes the operation.
        plugin->performEditOperation();
    } else {
        // A one-shot runs the moment it is picked.
        plugin->performEditOperation();
    }

    plugin->deactivate(true);
    delete holder; // the host deletes the tool bar with its item
    QObject::disconnect(counting);
    if (provider.calls != callsBefore + 1 || performed != 1) {
        *error = QStringLiteral("%1 requests and %2 completions, expected one each")
                     .arg(provider.calls - callsBefore)
                     .arg(performed);
        return false;
    }
    if (round % 2 == 1)
        delete plugin; // the next round starts a fresh instance
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    MApplication app(argc, argv);
    int rounds = 1000;
    bool checkResident = true;
    for (const QString &argument : QCoreApplication::arguments().mid(1)) {
        bool number = false;
        const int value = argument.toInt(&number);
        if (number && value >= 2) {
            rounds = value;
        } else if (argument == QLatin1String("--no-rss-check")) {
            checkResident = false;
        } else {
            std::fprintf(stderr, "usage: lifecycle [ROUNDS (at least 2)] [--no-rss-check]\n");
            return 2;
        }
    }

    std::vector<std::unique_ptr<PluginLibrary>> loaded;
    for (const char *name : libraries) {
        loaded.push_back(std::make_unique<PluginLibrary>(QLatin1String(name)));
        if (!loaded.back()->isLoaded()) {
            std::fprintf(stderr, "lifecycle: cannot load %s: %s\n", name,
                         qPrintable(loaded.back()->errorString()));
            return 1;
        }
    }
    // The size texts need their two placeholders.
    IdCatalogue catalogue({
        { QStringLiteral("qtn_lumo_crop_button_value_2"), QStringLiteral("%1 x %2") },
        { QStringLiteral("qtn_lumo_resize_button_value_2"), QStringLiteral("%1 x %2") },
    });
    CountingProvider provider;
    auto window = std::make_unique<MWindow>();
    MApplication::setActiveWindow(window.get());

    long long afterFirst = 0;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            QString error;
            if (!useOnce(*loaded[i], round, *window, provider, &error)) {
                std::fprintf(stderr, "lifecycle: round %d, %s: %s\n", round + 1, libraries[i],
                             qPrintable(error));
                return 1;
            }
        }
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (round == 0)
            afterFirst = residentBytes();
    }
    const long long afterLast = residentBytes();

    // The host closes: its window, then the instances.
    window.reset();
    for (const auto &library : loaded) {
        if (QObject *instance = library->instance())
            delete instance;
    }

    if (!checkResident) {
        std::printf("lifecycle: %d rounds of %zu plug-ins, %d requests\n", rounds, loaded.size(),
                    provider.calls);
        return 0;
    }
    if (afterFirst < 0 || afterLast < 0) {
        std::fprintf(stderr, "lifecycle: cannot read /proc/self/statm\n");
        return 1;
    }
    const long long growth = afterLast - afterFirst;
    std::printf("lifecycle: %d rounds of %zu plug-ins, %d requests; resident %lld kB after the "
                "first round, %lld kB after the last (%+lld kB)\n",
                rounds, loaded.size(), provider.calls, afterFirst / 1024, afterLast / 1024,
                growth / 1024);
    if (growth > AllowedGrowth) {
        std::fprintf(stderr,
                     "lifecycle: FAIL: resident memory grew by %lld kB over %d rounds, more "
                     "than the %lld kB allowed: something is kept or lost on every round\n",
                     growth / 1024, rounds - 1, AllowedGrowth / 1024);
        return 1;
    }
    return 0;
}
