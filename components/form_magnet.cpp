#include "components/form_magnet.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace magnet {
namespace {

int rightOf(const QRect& r)
{
    return r.x() + r.width();
}

int bottomOf(const QRect& r)
{
    return r.y() + r.height();
}

bool withinOpen(int value, int low, int high)
{
    return low < value && value < high;
}

// Moves r against the top or bottom edge of g, when they overlap horizontally. A gap below r's bottom
// snaps at once and an overlap asks; against g's bottom, an overlap snaps at once and a gap asks.
bool snapVertically(QRect& r, const QRect& g, int power, const std::function<bool()>& allow)
{
    if (!(rightOf(r) > g.x() && rightOf(g) > r.x()))
        return false;
    bool snapped = false;
    const int bottom = bottomOf(r);
    if ((bottom < g.y() && g.y() - power < bottom) || (bottom > g.y() && bottom < g.y() + power && allow())) {
        r.moveTop(g.y() - r.height());
        snapped = true;
    }
    const int gBottom = bottomOf(g);
    if ((gBottom > r.y() && gBottom - power < r.y()) ||
        (gBottom < r.y() && gBottom + power > r.y() && allow())) {
        r.moveTop(gBottom);
        snapped = true;
    }
    return snapped;
}

// The same along the other axis.
bool snapHorizontally(QRect& r, const QRect& g, int power, const std::function<bool()>& allow)
{
    QRect turned(r.y(), r.x(), r.height(), r.width());
    if (!snapVertically(turned, QRect(g.y(), g.x(), g.height(), g.width()), power, allow))
        return false;
    r.moveLeft(turned.y());
    return true;
}

void snapToScreen(QRect& r, const QRect& a, const TScreenMagnet& m)
{
    const int d = m.DesktopPower;
    if (m.Top && withinOpen(r.y(), a.y() - d, a.y() + d))
        r.moveTop(a.y());
    if (m.Bottom && withinOpen(bottomOf(r), bottomOf(a) - d, bottomOf(a) + d))
        r.moveTop(bottomOf(a) - r.height());
    if (m.Left && withinOpen(r.x(), a.x() - d, a.x() + d))
        r.moveLeft(a.x());
    if (m.Right && withinOpen(rightOf(r), rightOf(a) - d, rightOf(a) + d))
        r.moveLeft(rightOf(a) - r.width());
}

} // namespace

SnapResult Snap(const QRect& r, const std::vector<QRect>& forms, int power, const QRect& area,
                const TScreenMagnet& screenMagnet, bool glue, const AllowSnap& allow)
{
    SnapResult result{r, false};
    for (int index = 0; index < static_cast<int>(forms.size()); ++index) {
        const auto allowed = [&] { return !allow || allow(index); };
        const bool vertical = snapVertically(result.Bounds, forms[index], power, allowed);
        const bool horizontal = snapHorizontally(result.Bounds, forms[index], power, allowed);
        result.SnappedToForm = result.SnappedToForm || vertical || horizontal;
    }
    if (!(result.SnappedToForm && !glue))
        snapToScreen(result.Bounds, area, screenMagnet);
    return result;
}

bool Touches(const QRect& a, const QRect& b)
{
    return bottomOf(a) == b.y() || rightOf(a) == b.x() || bottomOf(b) == a.y() || rightOf(b) == a.x();
}

QRect AreaFor(const QRect& r, const std::vector<QRect>& screens)
{
    QRect best;
    qint64 bestShare = -1;
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(r);
        const qint64 share = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (share > bestShare) {
            best = screen;
            bestShare = share;
        }
    }
    return best;
}

} // namespace magnet

namespace {

// Every magnet of the process, in creation order.
std::vector<TFormMagnet*>& allMagnets()
{
    static std::vector<TFormMagnet*> magnets;
    return magnets;
}

// Window managers report the end of a move only as the absence of further moves, and a move by the
// pointer goes on, still or not, as long as its button is down.
constexpr int MoveEndDelayMs = 200;
// How soon a move held still with the button down looks again whether the button is up.
constexpr int HeldButtonPollMs = 50;
// How long the window system may take to report a move the program asked for.
constexpr int AnswerDelayMs = 500;
// How often a glued form that is moving looks for the steps the window manager does not report.
constexpr int FollowIntervalMs = 25;

// The frame as the window system has it: the widget's own copy of the frame margins is taken once and
// can predate the window manager's frame.
QRect frameOf(const QWidget& form)
{
    const QWindow* window = form.windowHandle();
    return window ? window->frameGeometry() : form.frameGeometry();
}

// Where the client area starts within the frame, from the window system's margins. The window's place
// and the widget's may differ for a while (the window takes the window manager's reports at once, the
// widget once they are handled), so their difference is no margin.
QPoint clientOffset(const QWidget& form)
{
    if (const QWindow* window = form.windowHandle())
        return {window->frameMargins().left(), window->frameMargins().top()};
    return form.geometry().topLeft() - form.frameGeometry().topLeft();
}

// The window system the program runs on.
class TRunningWindowSystem : public TMagnetWindowSystem {
public:
    bool PlacesWindows() const override { return TFormMagnet::PlacementSupported(); }
    bool PointerButtonHeld() override { return plat::PointerButtonHeld(); }
};

} // namespace

TFormMagnet::TFormMagnet(QWidget* AOwner) : TFormMagnet(AOwner, std::make_unique<TRunningWindowSystem>()) {}

TFormMagnet::TFormMagnet(QWidget* AOwner, std::unique_ptr<TMagnetWindowSystem> windowSystem)
    : QObject(AOwner), form_(AOwner), windowSystem_(std::move(windowSystem)),
      frameMoves_([this] { frameMoved(); })
{
    allMagnets().push_back(this);
    moveEnd_.setSingleShot(true);
    connect(&moveEnd_, &QTimer::timeout, this, &TFormMagnet::moveEnded);
    follow_.setInterval(FollowIntervalMs);
    connect(&follow_, &QTimer::timeout, this, &TFormMagnet::followUnreportedMove);
    if (AOwner)
        AOwner->installEventFilter(this);
}

TFormMagnet::~TFormMagnet()
{
    auto& magnets = allMagnets();
    magnets.erase(std::remove(magnets.begin(), magnets.end(), this), magnets.end());
}

bool TFormMagnet::PlacementSupported()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void TFormMagnet::SetActive(bool value)
{
    active_ = value;
    updateFrameWatch();
    if (active_)
        SnapInPlace();
}

void TFormMagnet::SetGlue(bool value)
{
    glue_ = value;
    updateFrameWatch();
}

// Only a glued form needs to know where it is during a move: the others snap once the window manager
// has reported where the move ended.
void TFormMagnet::updateFrameWatch()
{
    if (active_ && glue_ && form_ && form_->isVisible() && windowSystem_->PlacesWindows()) {
        frameMoves_.Watch(form_->windowHandle());
    } else {
        frameMoves_.Watch(nullptr);
        follow_.stop();
    }
}

// A move begins, or goes on: looking where the form stands now costs a round trip to the X server, so
// the magnet looks only from now until the move has ended.
void TFormMagnet::frameMoved()
{
    if (!follow_.isActive())
        follow_.start();
}

std::vector<TFormMagnet*> TFormMagnet::otherMagnets() const
{
    std::vector<TFormMagnet*> others;
    for (TFormMagnet* magnet : allMagnets()) {
        QWidget* other = magnet->form();
        if (magnet != this && other && other != form_ && other->isVisible() && magnet->Active() &&
            other->parentWidget() == form_->parentWidget())
            others.push_back(magnet);
    }
    return others;
}

void TFormMagnet::SnapInPlace()
{
    if (!form_ || !form_->isVisible() || !active_ || busy_ || !windowSystem_->PlacesWindows())
        return;
    const QRect bounds = frameOf(*form_);
    std::vector<QRect> forms;
    std::vector<QWidget*> formWidgets;
    for (TFormMagnet* other : otherMagnets()) {
        const bool glued = std::any_of(glued_.begin(), glued_.end(),
                                       [&](const GluedMagnet& g) { return g.Form == other->form(); });
        if (glued)
            continue;
        forms.push_back(frameOf(*other->form()));
        formWidgets.push_back(other->form());
    }
    std::vector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(ScreenMagnet.Area == saWorkArea ? screen->availableGeometry() : screen->geometry());
    const auto allow = [&](int index) {
        bool allowMagnet = true;
        if (OnMagnet)
            OnMagnet(this, formWidgets[index], allowMagnet);
        return allowMagnet;
    };
    const magnet::SnapResult result =
        magnet::Snap(bounds, forms, Power, magnet::AreaFor(bounds, screens), ScreenMagnet, glue_, allow);
    if (result.Bounds.topLeft() != bounds.topLeft())
        placeFrame(result.Bounds.topLeft());
    if (glue_)
        moveGlued(result.Bounds);
}

void TFormMagnet::buildGlueList(const QRect& bounds)
{
    glued_.clear();
    for (TFormMagnet* other : otherMagnets()) {
        const QRect otherBounds = frameOf(*other->form());
        if (!magnet::Touches(bounds, otherBounds))
            continue;
        bool allowGlue = true;
        if (OnGlue)
            OnGlue(this, other->form(), allowGlue);
        if (allowGlue)
            glued_.push_back({other->form(), otherBounds.topLeft() - bounds.topLeft()});
    }
}

void TFormMagnet::moveGlued(const QRect& bounds)
{
    for (TFormMagnet* other : otherMagnets()) {
        for (const GluedMagnet& glued : glued_) {
            if (glued.Form != other->form())
                continue;
            other->busy_ = true;
            other->placeFrame(bounds.topLeft() + glued.Offset);
            other->busy_ = false;
        }
    }
}

// Moves the form so that its frame starts at the point, through the client area's position, which
// does not depend on the widget's copy of the frame margins.
void TFormMagnet::placeFrame(const QPoint& frameTopLeft)
{
    const QRect place(frameTopLeft + clientOffset(*form_), form_->size());
    if (form_->geometry() != place || !form_->windowHandle()) {
        form_->setGeometry(place);
        return;
    }
    // Where Qt believes the form stands already, the window may not be: a move of the window manager's,
    // or one asked for before, may not have been reported yet.
    programMoved();
    plat::RequestWindowPosition(*form_->windowHandle(), place.topLeft());
}

// The frame with the client area at that point: the margins are those the window has now.
QRect TFormMagnet::frameAt(const QPoint& clientTopLeft) const
{
    return QRect(clientTopLeft - clientOffset(*form_), frameOf(*form_).size());
}

bool TFormMagnet::answersTheProgram() const
{
    return programMove_.isValid() && programMove_.elapsed() < AnswerDelayMs;
}

// Where the window system has moved the form without telling the program yet, if it has.
std::optional<QPoint> TFormMagnet::unreportedPosition() const
{
    if (!form_->windowHandle() || answersTheProgram())
        return std::nullopt;
    const std::optional<QPoint> now = plat::WindowPositionNow(*form_->windowHandle());
    if (!now || *now == form_->geometry().topLeft())
        return std::nullopt;
    return now;
}

void TFormMagnet::programMoved()
{
    programMove_.start();
    if (!dragStarted_)
        settled_ = form_->geometry().topLeft();
}

void TFormMagnet::windowSystemMoved()
{
    // The window manager also moves a window when it places it before showing it, and when it carries
    // out (or corrects) a move of the program's own, the magnet's included: those are no drags.
    const bool onScreen = form_->windowHandle() && form_->windowHandle()->isExposed();
    if (!dragStarted_ && (!onScreen || answersTheProgram())) {
        settled_ = form_->geometry().topLeft();
        return;
    }
    formMoved(form_->geometry().topLeft());
}

// As long as the window manager keeps a move to itself, each look is a step, so the move ends only once
// the window manager has reported where the form is.
void TFormMagnet::followUnreportedMove()
{
    if (!form_->windowHandle() || !form_->windowHandle()->isExposed())
        return;
    if (const std::optional<QPoint> now = unreportedPosition())
        formMoved(*now);
    else if (!dragStarted_)
        follow_.stop(); // a move of the program's own, or one the window manager has reported
}

// One step of a move by the window system: glued forms keep their place beside the form at each.
void TFormMagnet::formMoved(const QPoint& clientTopLeft)
{
    if (!active_ || busy_ || !form_->isWindow() || !windowSystem_->PlacesWindows())
        return;
    if (!dragStarted_) {
        dragStarted_ = true;
        gluedBeside_.reset();
        if (glue_)
            buildGlueList(frameAt(settled_));
    }
    // The same place is seen again and again while the window manager keeps a move to itself.
    if (glue_ && gluedBeside_ != clientTopLeft) {
        gluedBeside_ = clientTopLeft;
        moveGlued(frameAt(clientTopLeft));
    }
    if (OnDragMove)
        OnDragMove(this);
    moveEnd_.start(MoveEndDelayMs);
}

void TFormMagnet::moveEnded()
{
    // A snap inside a move that the window manager still leads makes some drop the move, others undo it.
    if (windowSystem_->PointerButtonHeld()) {
        moveEnd_.start(HeldButtonPollMs);
        return;
    }
    dragStarted_ = false;
    follow_.stop();
    SnapInPlace();
    glued_.clear();
    settled_ = form_->geometry().topLeft();
}

bool TFormMagnet::dragByClientArea(const QPoint& position) const
{
    const QWidget* child = form_->childAt(position);
    return !child || !child->isEnabled();
}

bool TFormMagnet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != form_)
        return false;
    switch (event->type()) {
    case QEvent::Move:
        // The program's own moves arrive at once; the window system's are reported later.
        if (event->spontaneous())
            windowSystemMoved();
        else
            programMoved();
        break;
    case QEvent::Show:
        settled_ = form_->geometry().topLeft();
        updateFrameWatch();
        break;
    case QEvent::Hide:
        updateFrameWatch();
        break;
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (FormDragable && mouse->button() == Qt::LeftButton && form_->windowHandle() &&
            dragByClientArea(mouse->position().toPoint()))
            return form_->windowHandle()->startSystemMove();
        break;
    }
    default:
        break;
    }
    return false;
}
