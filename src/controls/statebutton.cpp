#include "controls/statebutton.h"

#include "views/recordedtext.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionButton>
#include <QToolButton>

namespace orvane {

namespace {

QColor FromRgb(unsigned rgb) {
    return QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

constexpr int EntriesPerColumn = 20;

} // namespace

// ---------------------------------------------------------------------------------------------

TStateDropDown::TStateDropDown(TStateButton* button) : QFrame(button, Qt::Popup), FButton(button) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setAttribute(Qt::WA_NoMouseReplay); // a click on the button closes the list, not reopens it
    // Picked values must stand out at a glance.
    setStyleSheet(QStringLiteral("QToolButton { padding: 2px 8px; text-align: left; }"
                                 "QToolButton:checked { background: palette(highlight);"
                                 " color: palette(highlighted-text); }"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    Rebuild();
}

QToolButton* TStateDropDown::Entry(int item) const {
    return item >= 0 && item < EntryCount() ? FEntries[static_cast<std::size_t>(item)] : nullptr;
}

void TStateDropDown::Rebuild() {
    auto* grid = static_cast<QGridLayout*>(layout());
    // Entries may be rebuilt from inside one of their own click handlers.
    for (QToolButton* entry : FEntries) {
        grid->removeWidget(entry);
        entry->hide();
        entry->deleteLater();
    }
    FEntries.clear();
    FTexts.clear();
    TFilterButtonState* state = FButton->State();
    if (!state) return;
    for (int i = 0; i < state->ItemCount(); ++i) {
        auto* entry = new QToolButton(this);
        entry->setCheckable(true);
        entry->setAutoRaise(false);
        entry->setToolButtonStyle(Qt::ToolButtonTextOnly);
        entry->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        FTexts.push_back(state->ItemCaption(i));
        // Captions keep doubled ampersands, which the button shows as one.
        entry->setText(FromSystemText(FTexts.back()));
        grid->addWidget(entry, i % EntriesPerColumn, i / EntriesPerColumn);
        connect(entry, &QToolButton::clicked, this, [this, i] { FButton->ClickItem(i); });
        FEntries.push_back(entry);
    }
}

void TStateDropDown::Sync() {
    TFilterButtonState* state = FButton->State();
    std::vector<std::string> texts;
    if (state)
        for (int i = 0; i < state->ItemCount(); ++i)
            texts.push_back(state->ItemCaption(i));
    if (texts != FTexts) {
        Rebuild();
        adjustSize();
    }
    for (int i = 0; i < EntryCount(); ++i)
        Entry(i)->setChecked(state && state->Selected(i));
}

void TStateDropDown::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    if (FButton->State()) FButton->State()->DropDownOpen = false;
    FButton->update();
}

// ---------------------------------------------------------------------------------------------

TStateButton::TStateButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, &TStateButton::ButtonClicked);
}

TStateButton::~TStateButton() {
    if (FState) FState->DropDownOpen = false;
}

void TStateButton::SetState(std::shared_ptr<TFilterButtonState> state) {
    FState = std::move(state);
    Refresh();
}

QString TStateButton::CaptionText() const {
    return FState ? FromSystemText(FState->Caption()) : QString();
}

void TStateButton::Refresh() {
    setText(CaptionText());
    if (FDropDown && FDropDown->isVisible()) FDropDown->Sync();
    update();
}

void TStateButton::ButtonClicked() {
    if (!FState || !FState->Popup) return;
    if (IsDroppedDown())
        CloseUp();
    else
        DropDown();
}

bool TStateButton::IsDroppedDown() const {
    return FDropDown && FDropDown->isVisible();
}

void TStateButton::DropDown() {
    if (!FState) return;
    if (!FDropDown) FDropDown = new TStateDropDown(this);
    FState->DropDownOpen = true;
    FDropDown->Sync();
    FDropDown->adjustSize();
    QPoint pos = mapToGlobal(QPoint(0, height()));
    // Keep the list on the screen.
    if (QScreen* screen = this->screen()) {
        QRect area = screen->availableGeometry();
        QSize size = FDropDown->sizeHint();
        if (pos.x() + size.width() > area.right())
            pos.setX(std::max(area.left(), area.right() - size.width()));
        if (pos.y() + size.height() > area.bottom())
            pos.setY(std::max(area.top(), mapToGlobal(QPoint(0, 0)).y() - size.height()));
    }
    FDropDown->move(pos);
    FDropDown->show();
    update();
}

void TStateButton::CloseUp() {
    if (FDropDown) FDropDown->hide();
}

void TStateButton::ClickItem(int item) {
    if (!FState) return;
    FState->ClickItem(item);
    Refresh();
    if (OnClick) OnClick(this);
}

QSize TStateButton::sizeHint() const {
    return {60, 20};
}

void TStateButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect r = rect();
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    if (FState) {
        gradient.setColorAt(0, FromRgb(FState->GradientStart));
        gradient.setColorAt(FState->CenterColor ? 0.5 : 0.6, FromRgb(FState->GradientMid));
        gradient.setColorAt(1, FromRgb(FState->GradientEnd));
    }
    bool down = isDown() || IsDroppedDown();
    painter.fillRect(r, down ? palette().mid() : QBrush(gradient));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(r.adjusted(0, 0, -1, -1));

    // The arrow at the right tells that a click opens a list.
    const int arrow = 7;
    int ax = r.right() - arrow - 4, ay = r.center().y() - 2;
    if (ax > r.left() + 4) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::ButtonText));
        const QPointF points[3] = {{double(ax), double(ay)},
                                   {double(ax + arrow), double(ay)},
                                   {ax + arrow / 2.0, ay + arrow / 2.0 + 1}};
        painter.drawPolygon(points, 3);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    // Active filters read in bold, so a narrowed column stands out.
    QFont f = font();
    if (FState && !FState->Selected(0)) f.setBold(true);
    painter.setFont(f);
    painter.setPen(palette().color(QPalette::ButtonText));
    QRect textRect = r.adjusted(4, 0, -(arrow + 8), 0);
    QString caption = CaptionText();
    caption.replace(QStringLiteral("&&"), QStringLiteral("&"));
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     QFontMetrics(f).elidedText(caption, Qt::ElideRight, textRect.width()));
}

} // namespace orvane
