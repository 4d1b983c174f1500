#include "progress/TFrmConfig.h"

#include "core/progress/ProgressRules.h"
#include "core/app/AppState.h"
#include "common/Guard.h"
#include "common/Music.h"
#include "common/Prompt.h"
#include "core/store/DataModule.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScreen>
#include <QSignalBlocker>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kWidth = 364;
constexpr int kDesignHeight = 312;
constexpr int kMusicHeight = 100;
constexpr int kTimesHeight = 170;
constexpr int kLineStep = 20;

QString tuneFolder()
{
    return DM1->AppDir + QStringLiteral("sound/");
}

} // namespace

TFrmConfig::TFrmConfig(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFrmConfig"));
    setWindowTitle(QStringLiteral("系统设置"));
    setAccessibleName(QStringLiteral("系统设置"));
    setModal(true);
    setFont(ui::songFont());
    ui::usePanelBackground(this);

    Label1 = new QLabel(QStringLiteral("背景音乐"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    RxSwitch1 = new QCheckBox(QStringLiteral("开"), this);
    RxSwitch1->setObjectName(QStringLiteral("RxSwitch1"));
    RxSwitch1->setAccessibleName(QStringLiteral("背景音乐开关"));
    RxSwitch1->setChecked(true);
    // A switch rather than a box: a wide track with a knob that slides.
    RxSwitch1->setStyleSheet(QStringLiteral(
        "QCheckBox::indicator { width: 40px; height: 18px; border-radius: 9px; border: 1px solid %1; }"
        "QCheckBox::indicator:checked { background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 %2, stop:0.55 %2,"
        " stop:0.56 %3, stop:1 %3); }"
        "QCheckBox::indicator:unchecked { background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 %3, stop:0.44 %3,"
        " stop:0.45 %4, stop:1 %4); }"
        "QCheckBox:focus { color: %5; }")
                                 .arg(ui::kWindowEdge.name(), ui::kSwitchOn.name(), ui::kPaper.name(), ui::kSwitchOff.name(),
                                      ui::kCommandHover.name()));
    Label1->setBuddy(RxSwitch1);

    Label5 = new QLabel(QStringLiteral("声音列表"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    FlatComboBox1 = new QComboBox(this);
    FlatComboBox1->setObjectName(QStringLiteral("FlatComboBox1"));
    FlatComboBox1->setAccessibleName(QStringLiteral("声音列表"));
    FlatComboBox1->setEditable(false);
    QStringList tunes;
    for (int i = 1; i <= 6; ++i)
        tunes << QStringLiteral("乐曲%1").arg(i, 2, 10, QLatin1Char('0'));
    tunes.sort();
    FlatComboBox1->addItems(tunes);
    FlatComboBox1->setCurrentIndex(-1);
    FlatComboBox1->setPlaceholderText(QStringLiteral("（未选择）"));
    Label5->setBuddy(FlatComboBox1);

    Label4 = new QLabel(QStringLiteral("答题时间设置"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAccessibleName(QStringLiteral("答题时间设置"));
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setFrameShape(QFrame::Box);
    m_lines = new QWidget;
    m_lines->setObjectName(QStringLiteral("ScrollBox1Lines"));
    QPalette white = m_lines->palette();
    white.setColor(QPalette::Window, ui::kPaper);
    m_lines->setPalette(white);
    m_lines->setAutoFillBackground(true);
    ScrollBox1->setWidget(m_lines);
    ScrollBox1->viewport()->setPalette(white);
    Label4->setBuddy(ScrollBox1);

    epFocusButton3 = new ui::CommandButton(QStringLiteral("关闭"), this);
    epFocusButton3->setObjectName(QStringLiteral("epFocusButton3"));
    epFocusButton3->setFramed(true);
    epFocusButton3->setAutoDefault(false);

    connect(RxSwitch1, &QCheckBox::toggled, this, &TFrmConfig::RxSwitch1Toggled);
    connect(FlatComboBox1, &QComboBox::currentIndexChanged, this, &TFrmConfig::FlatComboBox1Change);
    connect(epFocusButton3, &QAbstractButton::clicked, this, &QDialog::accept);

    arrange(ui::compactLayout());
}

void TFrmConfig::open(bool timesOnly, QWidget* owner)
{
    TFrmConfig f(owner);
    app::ConfigTimesOnly = timesOnly;
    if (timesOnly)
        f.arrangeForTimes();
    f.exec();
}

void TFrmConfig::arrange(bool compact)
{
    // The window is small enough for both screen sizes; the compact one only
    // gets the smaller default face.
    setFont(ui::songFont(compact ? 12 : 13));
    setFixedSize(kWidth, kDesignHeight);
    Label1->setGeometry(16, 24, 72, 20);
    RxSwitch1->setGeometry(96, 18, 90, 28);
    Label5->setGeometry(16, 60, 72, 20);
    FlatComboBox1->setGeometry(93, 58, 160, 24);
    Label4->setGeometry(8, 112, 120, 20);
    ScrollBox1->setGeometry(9, 136, 345, 168);
    epFocusButton3->setGeometry(270, 23, 72, 26);
}

void TFrmConfig::arrangeForTimes()
{
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label5), static_cast<QWidget*>(RxSwitch1),
                       static_cast<QWidget*>(FlatComboBox1)})
        w->hide();
    Label4->move(Label4->x(), 4);
    ScrollBox1->setGeometry(ScrollBox1->x(), 22, ScrollBox1->width(), 110);
    epFocusButton3->move(280, 137);
}

void TFrmConfig::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
        ui::centreWindow(this);
    }
}

void TFrmConfig::FormShow()
{
    // The candidate's last choice, shown as it is: nothing fires and whatever plays goes on.
    {
        const music::Preferences chosen = music::loadPreferences();
        const QSignalBlocker quietSwitch(RxSwitch1);
        const QSignalBlocker quietList(FlatComboBox1);
        RxSwitch1->setChecked(chosen.on);
        RxSwitch1->setText(chosen.on ? QStringLiteral("开") : QStringLiteral("关"));
        FlatComboBox1->setCurrentIndex(FlatComboBox1->findText(chosen.tune));
        app::MusicOn = chosen.on;
        if (FlatComboBox1->currentIndex() >= 0)
            app::MusicFile = tuneFolder() + chosen.tune + QStringLiteral(".mid");
    }
    app::ensureCurrentPaperNo();
    if (app::ConfigTimesOnly) {
        setFixedHeight(kTimesHeight);
        guard::run(QStringLiteral("无法读取答题时间设置！"), [this] { addTimeLines(); });
        fitTimeLines();
        if (!m_editors.isEmpty())
            m_editors.first()->setFocus();
        else
            epFocusButton3->setFocus();
    } else {
        setFixedHeight(kMusicHeight);
        RxSwitch1->setFocus();
    }
}

void TFrmConfig::addTimeLines()
{
    const std::vector<progress::TypeTime> types = progress::readTypeTimes(DM1->db(), app::currentTypeTable());
    const QFont face = font();
    QWidget* previous = nullptr;
    for (size_t n = 0; n < types.size(); ++n) {
        const int i = int(n);
        auto* name = new QLabel(types[n].name, m_lines);
        name->setGeometry(16, kLineStep * i + 8 - 3, 82, 18);
        name->setFont(face);
        // A plain field: what is typed stays as typed, and a bad value is refused on
        // closing instead of being quietly turned into another number.
        auto* edit = new QLineEdit(m_lines);
        edit->setObjectName(QStringLiteral("Currencyedit%1").arg(i + 1));
        edit->setAccessibleName(types[n].name + QStringLiteral("答题时间（分钟）"));
        edit->setToolTip(QStringLiteral("%1～%2分钟").arg(progress::kMinAnswerMinutes).arg(progress::kMaxAnswerMinutes));
        edit->setMaxLength(12);
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setText(QString::number(types[n].minutes, 'f', 1));
        edit->setProperty("typeId", types[n].typeId);
        edit->setProperty("typeName", types[n].name);
        edit->setGeometry(100, kLineStep * i + 5 - 3, 48, 19);
        edit->setFont(face);
        name->setBuddy(edit);
        auto* unit = new QLabel(QStringLiteral("分钟"), m_lines);
        unit->setGeometry(154, kLineStep * i + 8 - 3, 40, 18);
        unit->setFont(face);
        // Made while the window shows: children of a visible panel start hidden.
        for (QWidget* w : {static_cast<QWidget*>(name), static_cast<QWidget*>(edit), static_cast<QWidget*>(unit)})
            w->show();
        if (previous)
            setTabOrder(previous, edit);
        previous = edit;
        m_editors << edit;
    }
    if (previous)
        setTabOrder(previous, epFocusButton3);
    m_lines->resize(ScrollBox1->width() - 2 * ScrollBox1->frameWidth() - ScrollBox1->verticalScrollBar()->sizeHint().width(),
                    kLineStep * int(types.size()) + 10);
}

void TFrmConfig::fitTimeLines()
{
    // Every line in view, as far as the screen allows; past that the box scrolls.
    const int frame = 2 * ScrollBox1->frameWidth();
    const int wanted = std::max(110, m_lines->height() + frame);
    const int room = (screen() ? screen()->availableGeometry().height() : 600) - 22 - 50;
    const int box = std::min(wanted, std::max(110, room));
    ScrollBox1->setGeometry(ScrollBox1->x(), 22, ScrollBox1->width(), box);
    epFocusButton3->move(280, 22 + box + 5);
    setFixedHeight(22 + box + 5 + epFocusButton3->height() + 7);
}

void TFrmConfig::RxSwitch1Toggled(bool on)
{
    RxSwitch1->setText(on ? QStringLiteral("开") : QStringLiteral("关"));
    app::MusicOn = on;
    rememberMusic();
    if (!on) {
        PlayBackgroundMusic(app::MusicFile, false);
        return;
    }
    if (FlatComboBox1->currentIndex() < 0)
        app::MusicFile = tuneFolder() + QStringLiteral("乐曲01.mid");
    PlayBackgroundMusic(app::MusicFile, true);
}

void TFrmConfig::rememberMusic()
{
    music::savePreferences({RxSwitch1->isChecked(),
                            FlatComboBox1->currentIndex() < 0 ? QString() : FlatComboBox1->currentText().trimmed()});
}

void TFrmConfig::FlatComboBox1Change()
{
    if (FlatComboBox1->currentIndex() < 0)
        return;
    app::MusicFile = tuneFolder() + FlatComboBox1->currentText().trimmed() + QStringLiteral(".mid");
    rememberMusic();
    PlayBackgroundMusic(app::MusicFile, RxSwitch1->isChecked());
}

void TFrmConfig::done(int result)
{
    if (app::ConfigTimesOnly && !m_saved) {
        if (QLineEdit* bad = refuseBadTime()) {
            bad->setFocus();
            bad->selectAll();
            return; // the window stays with every line as typed
        }
        m_saved = true;
        saveTimes();
    }
    QDialog::done(result);
}

QLineEdit* TFrmConfig::refuseBadTime()
{
    for (QLineEdit* edit : std::as_const(m_editors)) {
        bool ok = false;
        const double minutes = edit->text().trimmed().toDouble(&ok);
        if (ok && minutes >= progress::kMinAnswerMinutes - 1e-9 && minutes <= progress::kMaxAnswerMinutes + 1e-9)
            continue;
        prompt::notice(QStringLiteral("%1的答题时间须为%2～%3分钟！")
                           .arg(edit->property("typeName").toString())
                           .arg(progress::kMinAnswerMinutes)
                           .arg(progress::kMaxAnswerMinutes));
        ScrollBox1->ensureWidgetVisible(edit);
        return edit;
    }
    return nullptr;
}

void TFrmConfig::saveTimes()
{
    // Every line or none: a failure keeps the old times in the bank and in the timers.
    guard::run(QStringLiteral("保存设置失败！"), [this] {
        std::vector<progress::TypeTime> lines;
        for (int i = 0; i < m_editors.size(); ++i) {
            const QLineEdit* edit = m_editors[i];
            // Tenths, as the field shows them.
            const double minutes = std::round(edit->text().trimmed().toDouble() * 10.0) / 10.0;
            lines.push_back({edit->property("typeId").toInt(), QString(), minutes});
        }
        progress::saveTypeTimes(DM1->db(), app::currentTypeTable(), lines);
        if (DM1->Cn1Table_tx->isOpen())
            DM1->Cn1Table_tx->refresh();
    });
}

void TFrmConfig::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // A borderless window still needs an edge against the menu behind it.
    QPainter p(this);
    p.setPen(ui::kWindowEdge);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
