#include "common/TFrmDlg.h"

#include "common/ModalLoop.h"
#include "ui/CommandButton.h"
#include "ui/Style.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QStackedWidget>

#include <algorithm>
#include <vector>

namespace {

constexpr int kStripHeight = 25;
constexpr int kTextLeft = 56;
constexpr int kTextTop = 40;
constexpr int kButtonTop = 80;
constexpr QSize kButtonSize{73, 25};
constexpr int kButtonGap = 23;
constexpr int kTextRight = 24;

const char* const kPageNames[] = {"提示", "警告", "错误"};

// A screen reader reads an alert's text when it opens; as a plain dialog only its
// caption and the focused button were heard, never the question being asked.
QAccessibleInterface* promptAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("TFrmDlg") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
    return nullptr;
}

} // namespace

TFrmDlg::TFrmDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    static const bool factoryInstalled = (QAccessible::installFactory(promptAccessible), true);
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("TFrmDlg"));
    setWindowTitle(QStringLiteral("提示框"));
    setFont(ui::songFont(ui::kPromptFontPx));
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont titleFont = font();
    titleFont.setItalic(true);
    Label1->setFont(titleFont);
    QPalette titlePal = Label1->palette();
    titlePal.setColor(QPalette::WindowText, ui::kTitleText);
    Label1->setPalette(titlePal);
    Label1->move(6, 6);

    epNoteBook1 = new QStackedWidget(this);
    epNoteBook1->setObjectName(QStringLiteral("epNoteBook1"));
    epNoteBook1->setGeometry(8, 32, 32, 32);
    for (int page = 0; page < 3; ++page) {
        auto* icon = new QLabel(epNoteBook1);
        icon->setObjectName(QStringLiteral("epNoteBook1Page%1").arg(page));
        icon->setPixmap(ui::promptIcon(page, 32));
        icon->setAccessibleName(QString::fromUtf8(kPageNames[page]));
        epNoteBook1->addWidget(icon);
    }

    fcLabel1 = new QLabel(this);
    fcLabel1->setObjectName(QStringLiteral("fcLabel1"));
    fcLabel1->setWordWrap(true);
    fcLabel1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    fcLabel1->setTextFormat(Qt::PlainText);
    fcLabel1->move(kTextLeft, kTextTop);

    auto makeButton = [this](const char* name, int left, int result) {
        auto* b = new ui::CommandButton(QStringLiteral("确定"), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFramed(true);
        b->setAutoDefault(true);
        b->setGeometry(QRect(QPoint(left, kButtonTop), kButtonSize));
        connect(b, &QAbstractButton::clicked, this, [this, result] { done(result); });
        return b;
    };
    // Tab order follows the left-to-right order of the buttons.
    fcShapeBtn1 = makeButton("fcShapeBtn1", 64, 1);
    fcShapeBtn3 = makeButton("fcShapeBtn3", 160, 3);
    fcShapeBtn2 = makeButton("fcShapeBtn2", 256, 2);
    fcShapeBtn2->setText(QStringLiteral("取消"));

    setFixedSize(kDesignWidth, kDesignHeight);
    m_designWidth = width();
    paintFaces();
}

void TFrmDlg::prepare(const QString& caption, const QString& text, int mode, int page, const QString& variant)
{
    setWindowTitle(caption);
    setAccessibleName(caption);
    fcLabel1->setText(text);
    switch (mode) {
    case 0:
        fcShapeBtn1->setVisible(true);
        fcShapeBtn3->setVisible(false);
        fcShapeBtn2->setVisible(true);
        break;
    case 1:
        fcShapeBtn1->setVisible(false);
        fcShapeBtn3->setVisible(true);
        fcShapeBtn2->setVisible(false);
        break;
    case 2:
        fcShapeBtn1->setVisible(true);
        fcShapeBtn3->setVisible(true);
        fcShapeBtn2->setVisible(true);
        break;
    case 3:
        fcShapeBtn1->setVisible(true);
        fcShapeBtn3->setVisible(false);
        fcShapeBtn2->setVisible(false);
        break;
    default: // any other mode keeps the buttons of the previous use
        break;
    }
    if (page >= 0 && page < epNoteBook1->count())
        epNoteBook1->setCurrentIndex(page);
    Label1->setText(caption);
    fcShapeBtn1->setText(QStringLiteral("确定"));
    if (variant == QLatin1String("Exam")) {
        fcShapeBtn2->setText(QStringLiteral("作废"));
        fcShapeBtn3->setText(QStringLiteral("取消"));
    } else {
        fcShapeBtn2->setText(QStringLiteral("取消"));
        fcShapeBtn3->setText(QStringLiteral("确定"));
    }
    fitWidth(caption, text, mode == 3 ? kNarrowWidth : kMinWidth);
    fitText();
    paintFaces();
}

QList<int> TFrmDlg::visibleResults() const
{
    QList<int> results;
    // isVisibleTo: the dialog itself may be hidden (between uses, or under a test script).
    if (fcShapeBtn1->isVisibleTo(this))
        results << 1;
    if (fcShapeBtn3->isVisibleTo(this))
        results << 3;
    if (fcShapeBtn2->isVisibleTo(this))
        results << 2;
    return results;
}

int TFrmDlg::dismissResult() const
{
    const QList<int> shown = visibleResults();
    for (int r : shown) {
        const ui::CommandButton* b = r == 1 ? fcShapeBtn1 : r == 2 ? fcShapeBtn2 : fcShapeBtn3;
        if (b->text() == QStringLiteral("取消"))
            return r;
    }
    return shown.isEmpty() ? 1 : shown.first();
}

int TFrmDlg::run()
{
    const QList<int> shown = visibleResults();
    ui::CommandButton* first = nullptr;
    if (!shown.isEmpty())
        first = shown.first() == 1 ? fcShapeBtn1 : shown.first() == 2 ? fcShapeBtn2 : fcShapeBtn3;
    for (ui::CommandButton* b : {fcShapeBtn1, fcShapeBtn2, fcShapeBtn3})
        b->setDefault(b == first);

    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect r = rect();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    if (first)
        first->setFocus(Qt::OtherFocusReason);
    const int result = modal::execWithArrow(*this);
    return (result == 1 || result == 2 || result == 3) ? result : dismissResult();
}

void TFrmDlg::reject()
{
    done(dismissResult());
}

void TFrmDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    paintFaces();
}

// As wide as the text, the caption and the buttons need, within the design width and
// the screen; the buttons shown sit centred in their row.
void TFrmDlg::fitWidth(const QString& caption, const QString& text, int least)
{
    const QFontMetrics fm(fcLabel1->font());
    int natural = 0;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))))
        natural = std::max(natural, fm.horizontalAdvance(line));
    std::vector<ui::CommandButton*> shown;
    for (ui::CommandButton* b : {fcShapeBtn1, fcShapeBtn3, fcShapeBtn2})
        if (b->isVisibleTo(this))
            shown.push_back(b);
    const int n = int(shown.size());
    const int buttons = n * kButtonSize.width() + std::max(n - 1, 0) * kButtonGap;
    int most = m_designWidth;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        most = std::min(most, screen->availableGeometry().width() - 40);
    const int wanted = std::max({least, kTextLeft + natural + kTextRight, buttons + 48,
                                 QFontMetrics(Label1->font()).horizontalAdvance(caption) + 24});
    setFixedWidth(std::max(std::min(wanted, most), kNarrowWidth));
    int x = (width() - buttons) / 2;
    for (ui::CommandButton* b : shown) {
        b->move(x, b->y());
        x += kButtonSize.width() + kButtonGap;
    }
}

// The text wraps inside the dialog's width; a message longer than the design room
// makes the dialog taller (and moves the buttons down) instead of being cut off.
void TFrmDlg::fitText()
{
    const int textWidth = width() - kTextLeft - 10;
    const int textHeight = qMax(fcLabel1->heightForWidth(textWidth), fcLabel1->fontMetrics().height());
    const int room = kButtonTop - kTextTop - 6;
    const int extra = qMax(0, textHeight - room);
    fcLabel1->setGeometry(kTextLeft, kTextTop, textWidth, textHeight);
    for (ui::CommandButton* b : {fcShapeBtn1, fcShapeBtn2, fcShapeBtn3})
        b->move(b->x(), kButtonTop + extra);
    setFixedHeight(kDesignHeight + extra);
    Label1->setGeometry(6, 6, width() - 12, kStripHeight - 8);
}

void TFrmDlg::paintFaces()
{
    const QSize size = this->size();
    // Background: the prompt colour, lightened towards the top, with a darker rim.
    QPixmap face(size);
    {
        QPainter p(&face);
        QLinearGradient g(0, 0, 0, size.height());
        g.setColorAt(0, ui::kPromptBackground.lighter(112));
        g.setColorAt(1, ui::kPromptBackground);
        p.fillRect(face.rect(), g);
        p.setPen(ui::kPromptBackground.darker(150));
        p.drawRect(face.rect().adjusted(0, 0, -1, -1));
    }
    Image1->setPixmap(face);
    Image1->setGeometry(0, 0, size.width(), size.height());
    Image1->lower();

    QPixmap strip(size.width(), kStripHeight);
    {
        QPainter p(&strip);
        QLinearGradient g(0, 0, size.width(), 0);
        g.setColorAt(0, ui::kTitleStripDark);
        g.setColorAt(1, ui::kTitleStripLight);
        p.fillRect(strip.rect(), g);
        QLinearGradient gloss(0, 0, 0, kStripHeight);
        gloss.setColorAt(0, ui::kGlossTop);
        gloss.setColorAt(0.5, ui::kGlossMiddle);
        gloss.setColorAt(1, ui::kGlossBottom);
        p.fillRect(strip.rect(), gloss);
    }
    Image2->setPixmap(strip);
    Image2->setGeometry(0, 0, size.width(), kStripHeight);
    Image2->stackUnder(Label1);
}

TFrmDlg* promptDialog()
{
    static QPointer<TFrmDlg> dialog;
    if (!dialog) {
        dialog = new TFrmDlg;
        // Widgets must go before the application object does.
        qAddPostRoutine([] { delete dialog.data(); });
    }
    return dialog;
}
