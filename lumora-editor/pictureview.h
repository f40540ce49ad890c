// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PICTUREVIEW_H
#define PICTUREVIEW_H

#include "mnamespace.h"

#include <QGraphicsView>
#include <QImage>
#include <QList>

#include <memory>

class MWindow;
class PluginSession;

// The picture as the window shows it, in the toolkit window's scene, where the active
// plug-in's tool bar and popups live too. Scene coordinates are the viewport's own
// (device-independent pixels): tool bars and popups keep their size, and only the
// picture is zoomed and moved.
//
// While a plug-in is active, presses, moves and releases on the picture go to its
// receiveMouseEvent() in full-resolution picture pixels, and its paint() draws over
// the picture. For a crop tool the view shows a touch handle of at least
// HandleSize x HandleSize on each corner of the selection at any zoom; a press on
// one grabs that corner exactly. Inside a small selection a handle gives way to its
// middle (at most a quarter of the shown shorter side), growing outwards instead, so
// that both the corners and the selection itself stay within reach.
//
// One finger reaches the picture as the mouse does (Qt synthesises it from touch);
// pinching zooms and two fingers pan, as the mouse wheel with Ctrl and a drag on a
// zoomed picture do, all only where the active plug-in's zoomingAllowed() says so.
class PictureView : public QGraphicsView
{
    Q_OBJECT

public:
    // Smallest side of a touch target, in device-independent pixels.
    static constexpr int HandleSize = 48;

    // Shows `toolkitWindow`'s scene (not owned; it must outlive the view).
    explicit PictureView(MWindow *toolkitWindow, QWidget *parent = nullptr);
    ~PictureView() override;

    // The picture shown, standing for one of `size` (invalid: its own), in whose pixels
    // plug-ins, zoom and handles work: a reduced copy is drawn stretched to it. A picture
    // of another size is fitted again.
    void setPicture(const QImage &image, const QSize &size = QSize());
    // The active plug-in's session (not owned; null when none), whose tool bar the view
    // places at the bottom and whose plug-in gets the picture's mouse events.
    void setSession(PluginSession *session);
    // Places the session's newest tool bar again (after it was rebuilt).
    void placeToolBar();

    // The toolkit window's orientation, which tool bars are built for.
    M::Orientation orientation() const;
    void setOrientation(M::Orientation orientation);

    bool isZoomAllowed() const;
    bool isFitted() const;
    // Screen pixels per picture pixel.
    qreal zoom() const;
    // Zooms by `factor` keeping the picture point under `anchor` (viewport
    // coordinates; the middle of the picture area when null) in place.
    void zoomBy(qreal factor, const QPointF &anchor = QPointF());
    void fit();
    // Moves a picture larger than its area by `delta` viewport pixels.
    void pan(const QPointF &delta);

    // The picture's place in the viewport.
    QRectF pictureRect() const;
    // Its size there: what the edit UI provider answers as the preview size.
    QSize previewSize() const;
    QPointF toPicture(const QPointF &viewportPos) const;
    QPointF fromPicture(const QPointF &picturePos) const;
    // The crop handles as shown, in viewport coordinates, clockwise from the top left;
    // empty unless a crop tool is active with a selection.
    QList<QRectF> cropHandles() const;

Q_SIGNALS:
    void previewSizeChanged(const QSize &size);
    void zoomChanged(qreal zoom);
    // Something shown moved: the picture, the selection, the tool bar, a popup.
    void layoutChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    class Private;
    friend class Private;
    const std::unique_ptr<Private> d;
};

#endif // PICTUREVIEW_H
