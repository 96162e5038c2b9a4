#pragma once

#include "components/window_position.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

enum TMagnetType { mkOnMoving = 0, mkAfterMoving = 1 };
enum TScreenArea { saFullScreen = 0, saWorkArea = 1 };

// Which edges of the screen attract a form, and from how far.
struct TScreenMagnet {
    TScreenArea Area = saWorkArea;
    int DesktopPower = 15;
    bool Top = true, Bottom = true, Left = true, Right = true;
};

// The snapping geometry, free of any window. Rectangles are QRects; their right and bottom edges are
// taken as x + width and y + height, so two forms touch when one's right edge equals the other's left.
namespace magnet {

// Asks whether a snap to the other form with this index may happen (the cases that may be refused).
using AllowSnap = std::function<bool(int formIndex)>;

struct SnapResult {
    QRect Bounds;
    bool SnappedToForm = false;
};

// Snaps r to the other forms within power pixels, then, unless a form snap happened while glue is
// off, to the edges of area within the screen magnet's power. A later form in the list overrides an
// earlier one.
SnapResult Snap(const QRect& r, const std::vector<QRect>& forms, int power, const QRect& area,
                const TScreenMagnet& screenMagnet, bool glue, const AllowSnap& allow = {});

// Whether b shares an edge with a (no overlap along it needed): the forms that glue.
bool Touches(const QRect& a, const QRect& b);

// The screen area a form snaps to: the screen (full or work area) that holds most of it.
QRect AreaFor(const QRect& r, const std::vector<QRect>& screens);

} // namespace magnet

// What the magnet asks of the window system beyond Qt's own knowledge. Each question about the pointer
// is a round trip to the X server.
class TMagnetWindowSystem {
public:
    virtual ~TMagnetWindowSystem() = default;
    // Whether the program may place its windows here.
    virtual bool PlacesWindows() const = 0;
    // Whether a pointer button is down now.
    virtual bool PointerButtonHeld() = 0;
};

// Makes its form snap to the edges of the screen and of the program's other forms that carry a magnet
// once the user has moved it, can carry touching forms along (glue), and can let the user drag the
// form by any empty spot. Only window systems that let a program place its windows take part (X11);
// elsewhere the magnet stays passive.
class TFormMagnet : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(bool Glue READ Glue WRITE SetGlue)
    Q_PROPERTY(bool FormDragable MEMBER FormDragable)
    Q_PROPERTY(int Power MEMBER Power)

public:
    using TOnGlue = std::function<void(TFormMagnet* Sender, QWidget* AnotherForm, bool& AllowGlue)>;
    using TOnMagnet = std::function<void(TFormMagnet* Sender, QWidget* AnotherForm, bool& AllowMagnet)>;

    // The owner is the form; the magnet lives and dies with it. Without a window system of its own, the
    // magnet asks the one the program runs on.
    explicit TFormMagnet(QWidget* AOwner);
    TFormMagnet(QWidget* AOwner, std::unique_ptr<TMagnetWindowSystem> windowSystem);
    ~TFormMagnet() override;

    bool Active() const { return active_; }
    // Switching the magnet on snaps the form at once.
    void SetActive(bool value);

    bool Glue() const { return glue_; }
    // Touching forms move with this one while it is dragged.
    void SetGlue(bool value);

    bool FormDragable = false;
    // The window manager moves the window on its own, so both types snap once the move has ended.
    TMagnetType MagnetType = mkOnMoving;
    int Power = 20;
    TScreenMagnet ScreenMagnet;
    TOnGlue OnGlue;
    TOnMagnet OnMagnet;
    std::function<void(TFormMagnet* Sender)> OnDragMove;

    // Whether this window system lets the program place its windows.
    static bool PlacementSupported();
    // Snaps the form where it stands (also what ends each move).
    void SnapInPlace();
    // Whether the magnet is following a move that the window manager may keep to itself: only from
    // the moment the frame moves until that move has ended.
    bool Following() const { return follow_.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* form() const { return form_; }
    std::vector<TFormMagnet*> otherMagnets() const;
    QRect frameAt(const QPoint& clientTopLeft) const;
    bool answersTheProgram() const;
    std::optional<QPoint> unreportedPosition() const;
    void programMoved();
    void windowSystemMoved();
    void followUnreportedMove();
    void formMoved(const QPoint& clientTopLeft);
    void moveEnded();
    void updateFrameWatch();
    void frameMoved();
    void placeFrame(const QPoint& frameTopLeft);
    void buildGlueList(const QRect& bounds);
    void moveGlued(const QRect& bounds);
    bool dragByClientArea(const QPoint& position) const;

    struct GluedMagnet {
        QPointer<QWidget> Form;
        QPoint Offset;
    };

    QPointer<QWidget> form_;
    std::unique_ptr<TMagnetWindowSystem> windowSystem_;
    bool active_ = true;
    bool glue_ = false;
    bool busy_ = false;
    bool dragStarted_ = false;
    // Where the client area last stood still: the frame's margins may come later than the place.
    QPoint settled_;
    // Since the program last moved the form itself (the magnet included).
    QElapsedTimer programMove_;
    std::vector<GluedMagnet> glued_;
    // Where the form stood when the glued forms were last placed beside it during this move.
    std::optional<QPoint> gluedBeside_;
    QTimer moveEnd_;
    // While glued, hears of each move of the window manager's frame around the form.
    plat::FrameMoveWatch frameMoves_;
    // From then until the move has ended, looks for the steps the window manager does not report.
    QTimer follow_;
};
