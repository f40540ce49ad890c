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
// zoomed picture do, all only where the active plug-in's zoomingAllowed() says so, or
// while a crop tool is active: its selection and handles are mapped here at any zoom.
//
// Zoom is counted in screen (device) pixels per picture pixel: 1 is 100 %, one picture
// pixel on one pixel of the screen whatever its device pixel ratio. Fitted, a picture
// is shown whole, never above 100 % (a picture too small to crop by hand is fitted
// larger while a crop tool is active); the zoom steps hold 100 % and the fitted zoom.
// With no plug-in active, a double tap (or double click) toggles between fitted and
// 100 % at the point tapped, and a horizontal swipe across a picture shown whole is
// reported by swiped(). A picture with transparency lies over a checkerboard. With no
// picture the view shows its placeholder text.
//
// In landscape a tall tool bar (the effects grid) stands over the picture's lower edge
// rather than pushing the picture up: at most a fifth of the view is kept free for it.
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
    // of another size is fitted again. It is drawn in the screen's colours
    // (ScreenColour::shown()).
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
    // Screen (device) pixels per picture pixel.
    qreal zoom() const;
    // Shown at 100 %: one picture pixel per device pixel.
    bool isActualSize() const;
    // 100 %, keeping the picture point under `anchor` (viewport coordinates; the middle
    // of the picture area when null) in place as far as the picture's edges allow.
    void showActualSize(const QPointF &anchor = QPointF());
    // The next of zoomSteps() or the fitted zoom above or below the zoom shown.
    void zoomIn();
    void zoomOut();
    // The zoom steps, ascending: powers of 1.25 from 1 % to 16x, 100 % among them.
    static QList<qreal> zoomSteps();
    // The fitted zoom (device pixels per picture pixel) of a picture of `picture`
    // pixels in `room` device-independent pixels on a screen of `devicePixelRatio`:
    // the whole picture shown, at most at `largest` (100 %).
    static qreal fitZoom(const QSizeF &picture, const QSizeF &room, qreal devicePixelRatio,
                         qreal largest = 1);
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
    // Said in the middle of the view while it has no picture.
    void setPlaceholderText(const QString &text);

Q_SIGNALS:
    void previewSizeChanged(const QSize &size);
    void zoomChanged(qreal zoom);
    // Something shown moved: the picture, the selection, the tool bar, a popup.
    void layoutChanged();
    // One finger (or the mouse) swept across a picture shown whole, with no plug-in
    // active: -1 towards the left, 1 towards the right.
    void swiped(int direction);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;

private:
    class Private;
    friend class Private;
    const std::unique_ptr<Private> d;
};

#endif // PICTUREVIEW_H
