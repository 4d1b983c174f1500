#include "authoring/QuestionExport.h"

#include "common/Guard.h"
#include "common/Prompt.h"
#include "core/app/Preferences.h"
#include "core/authoring/QuestionImport.h"
#include "core/store/DataModule.h"
#include "ui/AccessibleText.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QComboBox>
#include <algorithm>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcQuestionExport, "tesvora.authoring.export")

namespace authoring {

namespace {

constexpr int kBand = 30;
FileChooser g_chooser;

struct FormatInfo {
    exchange::Format format;
    const char* suffix;
    const char* filter;
    const char* note;
};

const FormatInfo kFormats[] = {
    {exchange::Format::Csv, "csv", "CSV 文件 (*.csv)", "表格：题型、题干、选项A…F、答案、解析、考点各一列"},
    {exchange::Format::Xlsx, "xlsx", "Excel 工作簿 (*.xlsx)", "表格：题型、题干、选项A…F、答案、解析、考点各一列"},
    {exchange::Format::Gift, "gift", "GIFT 文件 (*.gift)", "GIFT 文本：单选、多选、判断、填空、简答都可保存"},
    {exchange::Format::Aiken, "txt", "Aiken 文件 (*.txt)", "Aiken 文本只能保存单选题，其他题型不导出"},
    {exchange::Format::MoodleXml, "xml", "Moodle XML 文件 (*.xml)", "Moodle XML：保留文字格式、表格和图片"},
    {exchange::Format::FlashCards, "tsv", "闪卡文件 (*.tsv)", "闪卡（制表符分隔）：正面为题干和选项，背面为答案和解析"},
};

const FormatInfo& infoOf(exchange::Format format)
{
    for (const FormatInfo& f : kFormats)
        if (f.format == format)
            return f;
    return kFormats[0];
}

QString formatLabel(exchange::Format format)
{
    return format == exchange::Format::FlashCards ? QStringLiteral("闪卡（制表符分隔）") : exchange::formatName(format);
}

// The path with the format's ending in place of one of the formats' endings (or added).
QString withSuffix(const QString& path, exchange::Format format)
{
    if (path.trimmed().isEmpty())
        return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    QString base = path;
    for (const FormatInfo& f : kFormats)
        if (suffix == QLatin1String(f.suffix)) {
            base.chop(suffix.size() + 1);
            break;
        }
    return base + QLatin1Char('.') + QLatin1String(infoOf(format).suffix);
}

// A name the file system takes: characters it refuses become "_".
QString safeFileName(const QString& name)
{
    QString out = name.trimmed();
    for (QChar& c : out)
        if (c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|')
            c = u'_';
    return out.isEmpty() ? QStringLiteral("试题") : out;
}

} // namespace

void setFileChooser(FileChooser chooser)
{
    g_chooser = std::move(chooser);
}

QString chooseFile(QWidget* owner, const FileRequest& request)
{
    if (g_chooser)
        return g_chooser(owner, request);
    return request.save ? QFileDialog::getSaveFileName(owner, request.caption, request.proposed, request.filter, request.selectedFilter)
                        : QFileDialog::getOpenFileName(owner, request.caption, request.proposed, request.filter, request.selectedFilter);
}

QString startFolder()
{
    QString folder = prefs::exportFolder();
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return folder;
}

TFrmExport::TFrmExport(std::vector<exchange::Question> questions, const QString& suggestedName, bool offerFlashCards,
                       QWidget* parent)
    : QDialog(parent)
    , m_questions(std::move(questions))
{
    setObjectName(QStringLiteral("TFrmExport"));
    setWindowTitle(QStringLiteral("导出试题"));
    setModal(true);
    setFont(ui::songFont(14));
    ui::usePanelBackground(this);

    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("countLabel"));
    countLabel->setTextFormat(Qt::PlainText);
    ui::showValue(countLabel, QStringLiteral("共 %1 道试题").arg(m_questions.size()));

    formatBox = new QComboBox(this);
    formatBox->setObjectName(QStringLiteral("formatBox"));
    formatBox->setAccessibleName(QStringLiteral("文件格式"));
    for (const FormatInfo& f : kFormats)
        if (f.format != exchange::Format::FlashCards || offerFlashCards)
            formatBox->addItem(formatLabel(f.format), int(f.format));
    auto* formatCaption = new QLabel(QStringLiteral("文件格式(&F)："), this);
    formatCaption->setBuddy(formatBox);

    formatNote = ui::noteLabel(this, "formatNote", ui::kNoteText);

    pathEdit = new QLineEdit(this);
    pathEdit->setObjectName(QStringLiteral("pathEdit"));
    pathEdit->setAccessibleName(QStringLiteral("保存到"));
    auto* pathCaption = new QLabel(QStringLiteral("保存到(&S)："), this);
    pathCaption->setBuddy(pathEdit);

    const auto command = [this](const char* name, const QString& caption) {
        auto* b = new ui::CommandButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFramed(true);
        b->setAutoDefault(false);
        b->setMinimumWidth(88);
        return b;
    };
    btnBrowse = command("btnBrowse", QStringLiteral("浏览…"));
    btnBrowse->setAccessibleName(QStringLiteral("浏览"));
    btnExport = command("btnExport", QStringLiteral("导出"));
    btnExport->setDefault(true);
    btnCancel = command("btnCancel", QStringLiteral("取消"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    grid->addWidget(countLabel, 0, 0, 1, 3);
    grid->addWidget(formatCaption, 1, 0);
    grid->addWidget(formatBox, 1, 1, 1, 2);
    grid->addWidget(formatNote, 2, 1, 1, 2);
    grid->addWidget(pathCaption, 3, 0);
    grid->addWidget(pathEdit, 3, 1);
    grid->addWidget(btnBrowse, 3, 2);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnExport);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, kBand + 12, 16, 14);
    layout->setSpacing(12);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);

    setTabOrder(formatBox, pathEdit);
    setTabOrder(pathEdit, btnBrowse);
    setTabOrder(btnBrowse, btnExport);
    setTabOrder(btnExport, btnCancel);

    pathEdit->setText(QDir::toNativeSeparators(QDir(startFolder()).filePath(safeFileName(suggestedName))));
    connect(formatBox, &QComboBox::currentIndexChanged, this, [this] { formatChanged(); });
    connect(btnBrowse, &QAbstractButton::clicked, this, [this] { browse(); });
    connect(btnExport, &QAbstractButton::clicked, this, [this] { btnExportClick(); });
    connect(btnCancel, &QAbstractButton::clicked, this, &QDialog::reject);
    formatChanged();
    arrange(ui::compactLayout());
    formatBox->setFocus();
}

void TFrmExport::arrange(bool compact)
{
    setFixedSize(compact ? QSize(520, 270) : QSize(600, 290));
}

exchange::Format TFrmExport::format() const
{
    return exchange::Format(formatBox->currentData().toInt());
}

void TFrmExport::setFormat(exchange::Format format)
{
    const int index = formatBox->findData(int(format));
    if (index >= 0)
        formatBox->setCurrentIndex(index);
}

void TFrmExport::formatChanged()
{
    const exchange::Format f = format();
    QString text = QString::fromUtf8(infoOf(f).note);
    if (f == exchange::Format::Aiken) {
        const auto single = std::count_if(m_questions.begin(), m_questions.end(),
                                          [](const exchange::Question& q) { return q.kind == exchange::Kind::Single; });
        if (single < qsizetype(m_questions.size()))
            text += QStringLiteral("（本次 %1 道中有 %2 道不是单选题）").arg(m_questions.size()).arg(m_questions.size() - single);
    }
    ui::showValue(formatNote, text);
    // A screen reader gives the list's name on focus; the format and what it keeps come with it.
    ui::setDescription(formatBox, formatBox->currentText() + QStringLiteral("。") + text);
    pathEdit->setText(QDir::toNativeSeparators(withSuffix(QDir::fromNativeSeparators(pathEdit->text()), f)));
}

void TFrmExport::browse()
{
    const FormatInfo& f = infoOf(format());
    const QString path = chooseFile(this, {QStringLiteral("导出试题"), QDir::fromNativeSeparators(pathEdit->text().trimmed()),
                                           QString::fromUtf8(f.filter), true});
    if (!path.isEmpty())
        pathEdit->setText(QDir::toNativeSeparators(withSuffix(path, format())));
    // Back to this window for the keyboard, also where no window manager hands it back.
    activateWindow();
    pathEdit->setFocus();
}

void TFrmExport::btnExportClick()
{
    const QString typed = QDir::fromNativeSeparators(pathEdit->text().trimmed());
    if (typed.isEmpty() || QFileInfo(typed).fileName().isEmpty()) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), QStringLiteral("请填写保存文件的位置和名称！"));
        pathEdit->setFocus();
        return;
    }
    const QString path = withSuffix(typed, format());
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) {
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("提示"),
                           QStringLiteral("文件夹不存在：") + QDir::toNativeSeparators(info.absolutePath()));
        pathEdit->setFocus();
        return;
    }
    if (info.exists()
        && prompt::messageBox(prompt::Icon::Question, QStringLiteral("提示"),
                              QStringLiteral("文件已存在，要替换它吗？\n") + QDir::toNativeSeparators(path), prompt::Buttons::YesNo)
               != prompt::Ok)
        return;

    exchange::WriteResult written;
    {
        ui::WaitCursor wait;
        written = exchange::writeQuestions(format(), m_questions);
    }
    const int count = int(m_questions.size() - written.left.size());
    if (count <= 0) {
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("提示"),
                           QStringLiteral("%1 格式不能保存这些试题，没有写出文件。").arg(formatLabel(format())));
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(written.data) != written.data.size() || !file.commit()) {
        qCWarning(lcQuestionExport).noquote() << "writing" << path << "failed:" << file.errorString();
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("警告"),
                           QStringLiteral("导出试题失败，文件没有写成：\n%1\n%2").arg(QDir::toNativeSeparators(path), file.errorString()));
        pathEdit->setFocus();
        return;
    }
    m_written = path;
    prefs::setExportFolder(info.absolutePath());
    QString done = QStringLiteral("已导出 %1 道试题：\n%2").arg(count).arg(QDir::toNativeSeparators(path));
    if (!written.left.empty())
        done += QStringLiteral("\n%1 道试题此格式不能保存，未导出。").arg(written.left.size());
    prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), done);
    accept();
}

void TFrmExport::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    ui::paintTitleBand(p, QRect(0, 0, width(), kBand), windowTitle(), 16, 12);
}

bool exportQuestions(QWidget* parent, const QStringList& ids, const QString& suggestedName, bool offerFlashCards)
{
    std::vector<exchange::Question> questions;
    if (!guard::run(QStringLiteral("无法读取要导出的试题！"), [&] {
            ui::WaitCursor wait;
            questions = questionsByIds(DM1->db(), ids);
        }))
        return false;
    if (questions.empty()) {
        prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), QStringLiteral("没有可导出的试题！"));
        return false;
    }
    TFrmExport dialog(std::move(questions), suggestedName, offerFlashCards, parent);
    ui::centreWindow(&dialog, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace authoring
