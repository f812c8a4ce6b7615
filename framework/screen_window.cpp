#include "screen_window.h"

#include "picture_box.h"
#include "screen_navigator.h"
#include "window_services.h"

#include "failures.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <new>

namespace framework {

namespace {

QRect PixelRect(const TwipRect &r)
{
    // Both edges are rounded, so neighbouring controls keep meeting.
    const int left = TwipsToPixels(r.left);
    const int top = TwipsToPixels(r.top);
    return QRect(left, top, TwipsToPixels(r.left + r.width) - left,
                 TwipsToPixels(r.top + r.height) - top);
}

// Back and text colours of a control; a control without a back colour of
// its own shows the platform's button-face colour, as labels, picture boxes
// and windows do by default.
void ApplyColours(QWidget *widget, const ControlDescription &c, QPalette::ColorRole back,
                  QPalette::ColorRole text)
{
    // A control with no colours of its own keeps the palette it inherits,
    // shared with every other such control of the program.
    if (!c.backColour && !c.foreColour && back != QPalette::Window)
        return;
    QPalette palette = widget->palette();
    if (c.backColour)
        palette.setColor(back, ColourFromCode(*c.backColour));
    else if (back == QPalette::Window)
        // Not the colour of the window it stands on: a label or picture box
        // without a colour of its own shows the button face.
        palette.setColor(back, QApplication::palette().color(QPalette::Button));
    if (c.foreColour)
        palette.setColor(text, ColourFromCode(*c.foreColour));
    widget->setPalette(palette);
}

constexpr const char *kFitCaption = "fitCaption";
constexpr const char *kBasePixelSize = "basePixelSize";
constexpr const char *kRoleDescription = "roleDescription";

// Draws the caption in the label's own size when it fits on one line, else
// in the largest smaller size that does, so a long number is never cut off.
void FitCaption(QLabel *label)
{
    QFont font = label->font();
    int size = label->property(kBasePixelSize).toInt();
    font.setPixelSize(size);
    while (size > 6 && QFontMetrics(font).horizontalAdvance(label->text()) > label->width()) {
        font.setPixelSize(--size);
    }
    label->setFont(font);
}

QString AccessibleNameFor(const ControlDescription &c)
{
    if (!c.accessibleName.isEmpty())
        return c.accessibleName;
    // The blanks in "计 算" only space the characters out on the button; a
    // screen reader says the word.
    QString name = c.caption;
    name.remove(QLatin1Char(' '));
    return name;
}

} // namespace

QString ScreenContext::ReadText(const QString &control) const
{
    auto *entry = qobject_cast<QLineEdit *>(window_.Control(control));
    return entry ? entry->text() : QString();
}

QString ScreenContext::Caption(const QString &control) const
{
    QWidget *w = window_.Control(control);
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<QPushButton *>(w))
        return button->text();
    return {};
}

void ScreenContext::SetCaption(const QString &control, const QString &text)
{
    QWidget *w = window_.Control(control);
    if (auto *label = qobject_cast<QLabel *>(w)) {
        label->setText(text);
        if (label->property(kFitCaption).toBool())
            FitCaption(label);
    } else if (auto *button = qobject_cast<QPushButton *>(w)) {
        button->setText(text);
    }
}

void ScreenContext::SetVisible(const QString &control, bool visible)
{
    if (QWidget *w = window_.Control(control))
        w->setVisible(visible);
}

void ScreenContext::ShowMessage(const QString &text, const QString &title, int buttons)
{
    framework::ShowMessage(text, title, buttons, &window_);
}

void ScreenContext::ShowScreen(const QString &screen) { navigator_.ShowScreen(screen); }
void ScreenContext::GoToScreen(const QString &target) { navigator_.GoToScreen(window_.Name(), target); }
void ScreenContext::UnloadScreen() { navigator_.UnloadScreen(window_.Name()); }
void ScreenContext::EndProgram() { navigator_.EndProgram(); }
const QString &ScreenContext::ScreenName() const { return window_.Name(); }
QWidget &ScreenContext::Window() { return window_; }

void ScreenContext::SetToolTip(const QString &control, const QString &text)
{
    if (QWidget *w = window_.Control(control)) {
        w->setToolTip(text);
        // A label's description says what it is ("色容差结果"); the text
        // follows it.
        const QString role = w->property(kRoleDescription).toString();
        w->setAccessibleDescription(role.isEmpty() ? text : role + QStringLiteral("：") + text);
    }
}

ScreenWindow::ScreenWindow(ScreenDefinition definition, ScreenNavigator &navigator)
    : QWidget(nullptr), definition_(std::move(definition)), navigator_(navigator)
{
    Build();
}

ScreenWindow::~ScreenWindow()
{
    delete windowPicture_;
}

QWidget *ScreenWindow::Control(const QString &key) const
{
    auto it = controls_.find(key);
    return it == controls_.end() ? nullptr : it->second;
}

void ScreenWindow::Build()
{
    const ScreenDescription &d = definition_.description;
    setObjectName(d.name);
    setWindowTitle(d.caption);
    setAccessibleName(d.caption);

    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint
                            | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    flags |= d.frame == Frame::FixedToolWindow ? Qt::Tool
                                               : Qt::Window | Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);

    const QSize client(TwipsToPixels(d.clientWidth), TwipsToPixels(d.clientHeight));
    setFixedSize(client);
    if (d.fixedPosition)
        setGeometry(QRect(QPoint(TwipsToPixels(d.fixedPosition->left),
                                 TwipsToPixels(d.fixedPosition->top)),
                          client));
    // The window's colour is painted, not set in its palette: a palette of
    // its own would pass to every button on it, and the style caches its
    // drawings per palette, so each opening would leave new cache entries.
    if (d.backColour)
        backColour_ = ColourFromCode(*d.backColour);
    if (!d.windowPicture.isEmpty())
        windowPicture_ = new QPixmap(d.windowPicture);

    std::vector<std::pair<int, QWidget *>> focusOrder;
    std::vector<QWidget *> windowed;
    for (const ControlDescription &c : d.controls) {
        QWidget *widget = BuildControl(c);
        if (!widget)
            continue;
        controls_[c.key()] = widget;
        if (widget->focusPolicy() != Qt::NoFocus) {
            windowed.push_back(widget);
            if (c.tabIndex >= 0)
                focusOrder.emplace_back(c.tabIndex, widget);
        }
    }
    // Entries, buttons and picture boxes are windows of their own on the
    // original desktop and stand above labels and images; among themselves
    // a later one stands above an earlier one.
    for (QWidget *widget : windowed)
        widget->raise();

    BuildActions();

    std::stable_sort(focusOrder.begin(), focusOrder.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (size_t i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
    for (const auto &[index, widget] : focusOrder) {
        if (widget->isVisibleTo(this)) {
            widget->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

QWidget *ScreenWindow::BuildControl(const ControlDescription &c)
{
    const QString key = c.key();
    QWidget *widget = nullptr;
    switch (c.kind) {
    case ControlKind::Label: {
        auto *label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setText(c.caption);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setMargin(0);
        label->setIndent(0);
        label->setAutoFillBackground(true);
        label->setFocusPolicy(Qt::NoFocus);
        ApplyColours(label, c, QPalette::Window, QPalette::WindowText);
        label->setProperty(kFitCaption, c.fitCaption);
        widget = label;
        break;
    }
    case ControlKind::TextEntry: {
        auto *entry = new QLineEdit(this);
        entry->setMaxLength(0x3FFFFFFF); // no limit on what may be typed
        ApplyColours(entry, c, QPalette::Base, QPalette::Text);
        widget = entry;
        break;
    }
    case ControlKind::CommandButton: {
        auto *button = new QPushButton(c.caption, this);
        button->setAutoDefault(false);
        button->setDefault(false);
        ApplyColours(button, c, QPalette::Button, QPalette::ButtonText);
        connect(button, &QPushButton::clicked, this, [this, key] { Dispatch(key); });
        widget = button;
        break;
    }
    case ControlKind::PictureBox:
    case ControlKind::Image: {
        const bool box = c.kind == ControlKind::PictureBox;
        auto *picture = new PictureWidget(c.picture, box, this);
        if (box) {
            picture->setAutoFillBackground(true);
            ApplyColours(picture, c, QPalette::Window, QPalette::WindowText);
            connect(picture, &PictureWidget::clicked, this, [this, key] { Dispatch(key); });
        }
        widget = picture;
        break;
    }
    case ControlKind::Timer: {
        auto *timer = new QTimer(this);
        timer->setObjectName(key);
        timer->setInterval(c.intervalMs);
        connect(timer, &QTimer::timeout, this, [this, key] { Dispatch(key); });
        timer->start();
        timers_.push_back(timer);
        return nullptr;
    }
    }
    widget->setObjectName(key);
    widget->setGeometry(PixelRect(c.rect));
    if (c.font)
        widget->setFont(FontFor(*c.font));
    widget->setProperty(kBasePixelSize, widget->font().pixelSize());
    // A label is read by its caption, which may be a result; what it is
    // goes into its description.
    const QString accessible = AccessibleNameFor(c);
    if (c.kind == ControlKind::Label) {
        widget->setAccessibleDescription(c.accessibleName);
        widget->setProperty(kRoleDescription, c.accessibleName);
    }
    else if (!accessible.isEmpty())
        widget->setAccessibleName(accessible);
    widget->setVisible(c.visible);
    return widget;
}

namespace {
// The local file a drag carries, if it carries exactly one.
// The local files (and folders) dragged; none when any is not local.
QStringList DraggedFiles(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}
} // namespace

void ScreenWindow::BuildActions()
{
    // The additions reach the user through the window's context menu, its
    // shortcuts and drops; the controls of the description stay as they are.
    for (const ScreenAction &a : definition_.actions) {
        auto *action = new QAction(a.text, this);
        action->setShortcut(a.shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, handler = a.handler] { Run(handler); });
        addAction(action);
    }
    if (!definition_.actions.empty())
        setContextMenuPolicy(Qt::ActionsContextMenu);
    setAcceptDrops(bool(definition_.fileDropped));
    // An entry keeps Ctrl+C for a selection of its own; without one the
    // key is the screen's. A file dragged over an entry is the screen's too.
    for (auto &[key, widget] : controls_) {
        if (qobject_cast<QLineEdit *>(widget))
            widget->installEventFilter(this);
    }
}

bool ScreenWindow::eventFilter(QObject *watched, QEvent *event)
{
    auto *entry = qobject_cast<QLineEdit *>(watched);
    if (!entry)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Copy) && !entry->hasSelectedText()
            && !definition_.actions.empty()) {
            event->ignore();
            return true; // the window's shortcut takes it
        }
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (definition_.fileDropped
            && !DraggedFiles(static_cast<QDropEvent *>(event)->mimeData()).isEmpty())
            return HandleDrop(event);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool ScreenWindow::HandleDrop(QEvent *event)
{
    auto *drop = static_cast<QDropEvent *>(event);
    const QStringList paths = DraggedFiles(drop->mimeData());
    if (paths.isEmpty() || !definition_.fileDropped) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        FileHandler handler = definition_.fileDropped;
        Run([handler, paths](ScreenContext &screen) { handler(screen, paths); });
    }
    return true;
}

bool ScreenWindow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return HandleDrop(event);
    default:
        return QWidget::event(event);
    }
}

void ScreenWindow::Dispatch(const QString &key)
{
    auto it = definition_.handlers.find(key);
    if (it != definition_.handlers.end())
        Run(it->second);
}

void ScreenWindow::Run(const Handler &handler)
{
    if (retired_ || navigator_.Ended())
        return;
    ScreenContext context(*this, navigator_);
    QString failure;
    try {
        handler(context);
        return;
    } catch (const entry_rules::Failure &f) {
        failure = QString::fromStdString(f.userMessage());
    } catch (const std::bad_alloc &) {
        failure = QStringLiteral("内存不足，无法完成这一步。请关闭其他程序或缩短输入后再试。");
    } catch (const std::exception &e) {
        failure = QStringLiteral("这一步没有完成：%1。请再试一次。").arg(QString::fromLocal8Bit(e.what()));
    }
    // Every failure happens before the first change on the screen, so the
    // user loses nothing: tell what was wrong and carry on.
    framework::ShowMessage(failure, QStringLiteral("出错"), kInformationOk,
                           retired_ ? nullptr : this);
}

void ScreenWindow::Retire()
{
    if (retired_)
        return;
    retired_ = true;
    for (QTimer *timer : timers_)
        timer->stop();
    hide();
    deleteLater();
}

void ScreenWindow::closeEvent(QCloseEvent *event)
{
    // The close box is an unload of this screen and nothing more; it is
    // never refused.
    if (!retired_)
        navigator_.UnloadScreen(Name());
    event->accept();
}

void ScreenWindow::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!backColour_ && !windowPicture_)
        return;
    QPainter painter(this);
    if (backColour_)
        painter.fillRect(event->rect(), *backColour_);
    if (windowPicture_)
        painter.drawPixmap(0, 0, *windowPicture_);
}

} // namespace framework
