// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-bench-drag: one crop-tool mouse move that refreshes the size widget's labels,
// against the two bare MLabel::setText calls that set the same texts. The crop plug-in
// is loaded through its entry points, given the host's edit UI provider holding a
// 4000x3000 picture, activated, and its tool bar built in a window's scene; a press
// grabs the selection's bottom-right corner and every move then drags it.
//
// lumora-bench-drag --profile N runs only N plug-in moves, for perf or callgrind.

#include "benchsupport.h"
#include "catalogue.h"
#include "headless.h"
#include "imageeditor.h"
#include "lumoracropper.h"
#include "lumorapluginframe.h"
#include "mapplication.h"
#include "mlabel.h"
#include "mwindow.h"
#include "toolbarhost.h"

#include <QGraphicsLinearLayout>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>

#include <cstring>
#include <dlfcn.h>

namespace {

constexpr int Runs = 15;
constexpr int Batch = 400; // moves (or setText pairs) per run
constexpr int Positions = 100; // distinct pointer positions, cycled
constexpr double FrameSeconds = 1.0 / 120;

using VerificationFunction = const char *(*)();
using InstanceFunction = QObject *(*)();

LumoraCropper *loadCropPlugin(QString *error)
{
    const char *path = LUMORA_PLUGIN_DIR "/libkadrel.so";
    // Kept open for the whole run, as the host keeps its plug-ins.
    void *handle = dlopen(path, RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        *error = QString::fromLocal8Bit(dlerror());
        return nullptr;
    }
    const auto verification = reinterpret_cast<VerificationFunction>(
        dlsym(handle, "qt_plugin_query_verification_data"));
    const auto instance = reinterpret_cast<InstanceFunction>(dlsym(handle, "qt_plugin_instance"));
    if (!verification || !instance
        || std::strcmp(verification(), LumoraPluginFrame::verificationData) != 0) {
        *error = QStringLiteral("%1 has no matching entry points").arg(QLatin1String(path));
        return nullptr;
    }
    auto *plugin = qobject_cast<LumoraEditPlugin *>(instance());
    auto *cropper = qobject_cast<LumoraCropper *>(plugin);
    if (!cropper)
        *error = QStringLiteral("%1 holds no crop tool").arg(QLatin1String(path));
    return cropper;
}

void collectLabels(QGraphicsItem *item, bool insideButton, QList<MLabel *> *labels)
{
    for (QGraphicsItem *child : item->childItems()) {
        QGraphicsObject *object = child->toGraphicsObject();
        const bool button = object && object->objectName() == QLatin1String("CropPluginButton");
        if (insideButton) {
            if (auto *label = qobject_cast<MLabel *>(object))
                labels->append(label);
        }
        collectLabels(child, insideButton || button, labels);
    }
}

bool sendMouse(LumoraEditPlugin *plugin, QEvent::Type type, const QPointF &pos)
{
    // As the host forwards the events on the picture: positions in picture pixels.
    QGraphicsSceneMouseEvent event(type);
    event.setPos(pos);
    event.setScenePos(pos);
    event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
    event.setButtons(Qt::LeftButton);
    return plugin->receiveMouseEvent(&event);
}

// Pointer positions along the picture's diagonal, so that every move changes the size.
QPointF position(int i)
{
    const int step = i % Positions;
    return QPointF(2000 + 16 * step, 1500 + 12 * step);
}

} // namespace

int main(int argc, char **argv)
{
    prepareHeadlessRun();
    MApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int profileMoves = arguments.size() == 3 && arguments[1] == QLatin1String("--profile")
        ? arguments[2].toInt()
        : 0;

    // As lumora-edit does: the English catalogue serves the plug-in's texts.
    Catalogue::install(QLocale(QStringLiteral("en")));
    QString error;
    LumoraCropper *plugin = loadCropPlugin(&error);
    if (!plugin) {
        Bench::note(QStringLiteral("drag feedback not measured: ") + error);
        return 1;
    }

    QImage picture(4000, 3000, QImage::Format_RGB32);
    picture.fill(QColor(120, 110, 100));
    ImageEditor editor(picture);
    MWindow window;
    MApplication::setActiveWindow(&window);
    plugin->setEditUiProvider(&editor);
    editor.beginActivation();
    plugin->activate();
    ToolBarHost toolBar(&window, plugin);
    QList<MLabel *> labels;
    if (toolBar.toolBar())
        collectLabels(toolBar.toolBar(), false, &labels);
    // The information label first, then the right-aligned dimensions label.
    if (labels.size() == 2 && (labels[0]->alignment() & Qt::AlignRight))
        labels.swapItemsAt(0, 1);
    if (labels.size() != 2) {
        Bench::note(QStringLiteral("drag feedback not measured: the crop tool bar shows %1 labels, "
                                   "not 2")
                        .arg(labels.size()));
        return 1;
    }

    // Grab the bottom-right corner from just inside it.
    if (!sendMouse(plugin, QEvent::GraphicsSceneMousePress, QPointF(3990, 2990))) {
        Bench::note(QStringLiteral("drag feedback not measured: the press was refused"));
        return 1;
    }
    QCoreApplication::sendPostedEvents();

    if (profileMoves > 0) {
        for (int i = 0; i < profileMoves; ++i) {
            sendMouse(plugin, QEvent::GraphicsSceneMouseMove, position(i));
            QCoreApplication::sendPostedEvents();
        }
        return 0;
    }

    // The texts each move leaves on the two labels, recorded once, so that the bare
    // labels get exactly the same work.
    QStringList texts[2];
    for (int i = 0; i < Positions; ++i) {
        if (!sendMouse(plugin, QEvent::GraphicsSceneMouseMove, position(i))) {
            Bench::note(QStringLiteral("drag feedback not measured: a move was refused"));
            return 1;
        }
        QCoreApplication::sendPostedEvents();
        for (int l = 0; l < 2; ++l)
            texts[l] << labels[l]->text();
        const QString width = QString::number(plugin->selectionRect().width());
        const QString height = QString::number(plugin->selectionRect().height());
        const QString &dimensions = texts[1].constLast();
        const bool changed = i == 0 || dimensions != texts[1].at(i - 1);
        if (!changed || !dimensions.contains(width) || !dimensions.contains(height)) {
            Bench::note(QStringLiteral("drag feedback not measured: after move %1 the dimensions "
                                       "label reads '%2', not a new size %3 x %4")
                            .arg(i)
                            .arg(dimensions, width, height));
            return 1;
        }
    }

    // Bare labels: configured as the size widget's and laid out side by side in a plain
    // widget of the same scene, so that their geometry, like the tool bar's, is redone
    // in the deferred layout pass rather than inside setText.
    auto *holder = new QGraphicsWidget;
    window.scene()->addItem(holder);
    auto *layout = new QGraphicsLinearLayout(Qt::Horizontal, holder);
    MLabel *bare[2];
    for (int l = 0; l < 2; ++l) {
        bare[l] = new MLabel(nullptr, nullptr);
        bare[l]->setTextElide(labels[l]->textElide());
        bare[l]->setAlignment(labels[l]->alignment());
        layout->addItem(bare[l]);
    }
    holder->setGeometry(toolBar.toolBar()->sceneBoundingRect());
    QCoreApplication::sendPostedEvents();

    Bench::progress(QStringLiteral("drag feedback: %1 runs of %2 moves").arg(Runs).arg(Batch));
    struct Times
    {
        std::vector<double> call; // the move, or the two setText calls
        std::vector<double> withEvents; // and the delivery of the events they posted
    };
    Times ours;
    Times baseline;
    int refused = 0;
    // Each iteration is timed alone: the call, then the posted events (layout requests,
    // scene updates) delivered at once, as the event loop would before the next frame.
    const auto timed = [](Times &times, const auto &call) {
        double callTotal = 0;
        double withEventsTotal = 0;
        for (int i = 0; i < Batch; ++i) {
            const Bench::Clock::time_point start = Bench::Clock::now();
            call(i);
            const Bench::Clock::time_point called = Bench::Clock::now();
            QCoreApplication::sendPostedEvents();
            const Bench::Clock::time_point delivered = Bench::Clock::now();
            callTotal += std::chrono::duration<double>(called - start).count();
            withEventsTotal += std::chrono::duration<double>(delivered - start).count();
        }
        times.call.push_back(callTotal / Batch);
        times.withEvents.push_back(withEventsTotal / Batch);
    };
    const auto oursRun = [&] {
        timed(ours, [&](int i) {
            refused += sendMouse(plugin, QEvent::GraphicsSceneMouseMove, position(i)) ? 0 : 1;
        });
    };
    const auto baselineRun = [&] {
        timed(baseline, [&](int i) {
            bare[0]->setText(texts[0].at(i % Positions));
            bare[1]->setText(texts[1].at(i % Positions));
        });
    };
    oursRun();
    baselineRun();
    ours = {};
    baseline = {};
    for (int run = 0; run < Runs; ++run) {
        if (run % 2) {
            oursRun();
            baselineRun();
        } else {
            baselineRun();
            oursRun();
        }
    }
    delete holder;
    if (refused) {
        Bench::note(QStringLiteral("drag feedback: %1 moves were refused").arg(refused));
        return 1;
    }

    const double oursCall = Bench::median(ours.call);
    const double baselineCall = Bench::median(baseline.call);
    const double oursFrame = Bench::median(ours.withEvents);
    const double baselineFrame = Bench::median(baseline.withEvents);
    Bench::row(QStringLiteral("Drag feedback: crop mouse move updating the size labels vs two bare "
                              "MLabel::setText (the calls alone)"),
               Bench::duration(oursCall), Bench::duration(baselineCall), oursCall / baselineCall,
               QStringLiteral("≤ 2×"), oursCall / baselineCall <= 2);
    Bench::row(QStringLiteral("Drag feedback, with the layout pass and updates the calls post vs "
                              "the same for the bare labels"),
               Bench::duration(oursFrame), Bench::duration(baselineFrame),
               oursFrame / baselineFrame, QStringLiteral("— (context)"), std::nullopt);
    Bench::row(QStringLiteral("Drag feedback with its layout pass vs one 120 Hz frame"),
               Bench::duration(oursFrame), Bench::duration(FrameSeconds), oursFrame / FrameSeconds,
               QStringLiteral("≤ 0.1× (far inside)"), oursFrame / FrameSeconds <= 0.1);
    Bench::note(QStringLiteral("drag feedback: median of %1 runs of %2 moves, each timed alone; "
                               "the bare labels (in a plain linear layout) get the texts the moves "
                               "set: new dimensions every move, the same ratio text")
                    .arg(Runs)
                    .arg(Batch));
    plugin->deactivate(false);
    editor.endActivation(false);
    plugin->setEditUiProvider(nullptr);
    return 0;
}
