#include "authoring/TFrmImport.h"

#include "authoring/QuestionExport.h"
#include "common/Guard.h"
#include "common/Prompt.h"
#include "common/TFrmProgress.h"
#include "core/app/Preferences.h"
#include "core/exchange/Exchange.h"
#include "core/exchange/Table.h"
#include "core/store/DataModule.h"
#include "ui/AccessibleText.h"
#include "ui/CommandButton.h"
#include "ui/Screen.h"
#include "ui/Style.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSaveFile>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>
#include <map>

namespace authoring {

// The preview: one row per question of the file in file order, and one for each
// problem of the whole file.
class ImportPreviewModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    struct Row {
        QString number, kind, stem, answer, problem;
        bool bad = false;
    };

    void setRows(std::vector<Row> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const std::vector<Row>& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 5; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= int(m_rows.size()))
            return {};
        const Row& r = m_rows[size_t(index.row())];
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
            return text(r, index.column());
        if (role == Qt::ForegroundRole && r.bad)
            return QColor(ui::kHintText);
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const char* const names[] = {"题号", "题型", "题干", "答案", "问题"};
        return section >= 0 && section < 5 ? QString::fromUtf8(names[section]) : QVariant();
    }

    static QString text(const Row& r, int column)
    {
        switch (column) {
        case 0: return r.number;
        case 1: return r.kind;
        case 2: return r.stem;
        case 3: return r.answer;
        case 4: return r.problem;
        }
        return {};
    }

private:
    std::vector<Row> m_rows;
};

} // namespace authoring

namespace {

constexpr QSize kFull{931, 611};
constexpr QSize kCompact{762, 480};
constexpr int kTitleHeight = 34;
// Stems in the preview are cut to one line.
constexpr int kStemChars = 60;

QString questionFilter()
{
    return QStringLiteral("试题文件 (*.csv *.xlsx *.gift *.txt *.xml);;所有文件 (*)");
}

// Hides the progress window however the import ends, before any message about it.
struct ProgressScope {
    explicit ProgressScope(const QString& text) { progress::show(text); }
    ~ProgressScope() { progress::hide(); }
};

QString oneLine(const QString& html)
{
    QString plain = exchange::htmlToPlain(html).simplified();
    if (plain.size() > kStemChars)
        plain = plain.left(kStemChars) + QStringLiteral("…");
    return plain;
}

QString answerText(const exchange::Question& q)
{
    if (q.kind == exchange::Kind::TrueFalse)
        return q.answer == u"A" ? QStringLiteral("对") : q.answer == u"B" ? QStringLiteral("错") : q.answer;
    if (q.kind == exchange::Kind::Subjective)
        return q.answer.isEmpty() ? QStringLiteral("（无）") : oneLine(q.answer);
    return q.answer;
}

} // namespace

using authoring::ImportPreviewModel;

TFrmImport::TFrmImport(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmImport"));
    setWindowTitle(QStringLiteral("试题导入"));
    setModal(true);
    setFont(ui::songFont(14));
    ui::usePanelBackground(this);

    epLabelCaption = new QLabel(QStringLiteral("试题导入"), this);
    epLabelCaption->setObjectName(QStringLiteral("epLabelCaption"));
    epLabelCaption->setTextFormat(Qt::PlainText);
    epLabelCaption->setFont(ui::songFont(16, true));
    QPalette white = epLabelCaption->palette();
    white.setColor(QPalette::WindowText, ui::kTitleText);
    epLabelCaption->setPalette(white);

    const auto command = [this](const char* name, const QString& caption) {
        auto* b = new ui::CommandButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFramed(true);
        b->setAutoDefault(false);
        b->setMinimumWidth(88);
        return b;
    };
    pathEdit = new QLineEdit(this);
    pathEdit->setObjectName(QStringLiteral("pathEdit"));
    pathEdit->setAccessibleName(QStringLiteral("导入文件"));
    pathEdit->setPlaceholderText(QStringLiteral("CSV、XLSX、GIFT、Aiken（.txt）或 Moodle XML 文件"));
    auto* pathCaption = new QLabel(QStringLiteral("导入文件(&F)："), this);
    pathCaption->setBuddy(pathEdit);
    btnFile = command("btnFile", QStringLiteral("选择文件…"));
    btnFile->setAccessibleName(QStringLiteral("选择文件"));
    btnTemplate = command("btnTemplate", QStringLiteral("下载模板"));
    btnTemplate->setToolTip(QStringLiteral("保存 CSV 或 XLSX 表格模板：题型、题干、选项A…选项F、答案、解析、考点"));

    summaryLabel = ui::noteLabel(this, "summaryLabel", ui::kNoteText);

    m_model = new ImportPreviewModel(this);
    previewGrid = new QTableView(this);
    previewGrid->setModel(m_model);
    ui::setUpRowList(previewGrid, QStringLiteral("previewGrid"), QStringLiteral("试题预览"), ui::GridLook::Striped);
    previewGrid->horizontalHeader()->setStyleSheet(ui::gridHeadingSheet(2, 4));
    previewGrid->horizontalHeader()->setStretchLastSection(true);
    previewGrid->setWordWrap(false);

    btnImport = command("btnImport", QStringLiteral("导入"));
    btnImport->setEnabled(false);
    btnCancel = command("btnCancel", QStringLiteral("取消"));
    btnCancel->setToolTip(QStringLiteral("不导入任何试题，关闭本窗口"));

    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(8);
    fileRow->addWidget(pathCaption);
    fileRow->addWidget(pathEdit, 1);
    fileRow->addWidget(btnFile);
    fileRow->addWidget(btnTemplate);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnImport);
    buttons->addWidget(btnCancel);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 10, 12, 12);
    body->setSpacing(8);
    body->addLayout(fileRow);
    body->addWidget(summaryLabel);
    body->addWidget(previewGrid, 1);
    body->addLayout(buttons);

    auto* title = new QHBoxLayout;
    title->setContentsMargins(12, 0, 12, 0);
    title->addWidget(epLabelCaption, 1);
    auto* titleStrip = new QWidget(this);
    titleStrip->setFixedHeight(kTitleHeight);
    titleStrip->setLayout(title);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(titleStrip);
    layout->addLayout(body, 1);

    connect(btnFile, &QAbstractButton::clicked, this, [this] { btnFileClick(); });
    connect(pathEdit, &QLineEdit::returnPressed, this, [this] { loadPreview(pathEdit->text()); });
    connect(btnTemplate, &QAbstractButton::clicked, this, [this] { btnTemplateClick(); });
    connect(btnImport, &QAbstractButton::clicked, this, [this] { btnImportClick(); });
    connect(btnCancel, &QAbstractButton::clicked, this, &QDialog::reject);

    setTabOrder(pathEdit, btnFile);
    setTabOrder(btnFile, btnTemplate);
    setTabOrder(btnTemplate, previewGrid);
    setTabOrder(previewGrid, btnImport);
    setTabOrder(btnImport, btnCancel);

    clearPreview(QStringLiteral("请选择要导入的试题文件（CSV、XLSX、GIFT、Aiken 或 Moodle XML），或先下载模板填写。"));
    arrange(ui::compactLayout());
}

TFrmImport::~TFrmImport() = default;

void TFrmImport::setChapter(const QString& chapterId, const QString& captionText)
{
    m_chapter = chapterId;
    epLabelCaption->setText(captionText);
}

void TFrmImport::arrange(bool compact)
{
    setFixedSize(compact ? kCompact : kFull);
    const QFont face = ui::songFont(compact ? 13 : 14);
    for (QWidget* w : {static_cast<QWidget*>(pathEdit), static_cast<QWidget*>(summaryLabel), static_cast<QWidget*>(previewGrid)})
        w->setFont(face);
    previewGrid->setColumnWidth(0, compact ? 60 : 70);
    previewGrid->setColumnWidth(1, compact ? 50 : 60);
    previewGrid->setColumnWidth(2, compact ? 330 : 420);
    previewGrid->setColumnWidth(3, compact ? 60 : 80);
    previewGrid->verticalHeader()->setDefaultSectionSize(QFontMetrics(face).height() + 6);
}

void TFrmImport::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ui::centreWindow(this, parentWidget());
    pathEdit->setFocus();
}

void TFrmImport::clearPreview(const QString& why)
{
    m_ready = false;
    m_read = {};
    m_model->setRows({});
    ui::showValue(summaryLabel, why);
    btnImport->setEnabled(false);
}

int TFrmImport::previewRows() const
{
    return m_model->rowCount();
}

QString TFrmImport::previewText(int row, int column) const
{
    return row >= 0 && row < previewRows() ? ImportPreviewModel::text(m_model->rows()[size_t(row)], column) : QString();
}

void TFrmImport::btnFileClick()
{
    const QString current = QDir::fromNativeSeparators(pathEdit->text().trimmed());
    const QString start = current.isEmpty() ? authoring::startFolder() : QFileInfo(current).absolutePath();
    const QString path = authoring::chooseFile(this, {QStringLiteral("选择试题文件"), start, questionFilter(), false});
    // Back to this window for the keyboard, also where no window manager hands it back.
    activateWindow();
    if (path.isEmpty()) {
        pathEdit->setFocus();
        return;
    }
    pathEdit->setText(QDir::toNativeSeparators(path));
    loadPreview(path);
}

void TFrmImport::loadPreview(const QString& typedPath)
{
    const QString path = QDir::fromNativeSeparators(typedPath.trimmed());
    if (path.isEmpty()) {
        clearPreview(QStringLiteral("请选择要导入的试题文件。"));
        pathEdit->setFocus();
        return;
    }
    m_path = path;
    exchange::ReadResult read;
    authoring::ImportResult dry;
    const bool ok = guard::run(QStringLiteral("无法读取试题文件！"), [&] {
        ui::WaitCursor wait;
        read = exchange::readQuestionFile(path);
        authoring::ImportRequest request;
        request.chapter = m_chapter;
        request.validOnly = true;
        request.dryRun = true;
        dry = authoring::importQuestions(DM1->db(), read, request);
    });
    if (!ok) {
        clearPreview(QStringLiteral("无法读取试题文件。"));
        return;
    }

    // Every question of the file by its number: the readable ones with their type and
    // answer, the others with what is wrong; problems of the whole file first.
    std::map<int, ImportPreviewModel::Row> byNumber;
    std::vector<ImportPreviewModel::Row> fileRows;
    for (const exchange::Question& q : read.questions) {
        ImportPreviewModel::Row& r = byNumber[q.number];
        r.kind = exchange::kindName(q.kind);
        r.stem = oneLine(q.stem);
        r.answer = answerText(q);
    }
    const auto addProblem = [&](const exchange::Problem& p, bool bad) {
        const QString text = p.text();
        if (p.number <= 0) {
            fileRows.push_back({QStringLiteral("文件"), {}, {}, {}, text, bad});
            return;
        }
        ImportPreviewModel::Row& r = byNumber[p.number];
        r.problem = r.problem.isEmpty() ? text : r.problem + QStringLiteral("；") + text;
        r.bad = r.bad || bad;
    };
    for (const exchange::Problem& p : dry.problems)
        addProblem(p, true);
    for (const exchange::Problem& p : dry.notes)
        addProblem(p, false);
    std::vector<ImportPreviewModel::Row> rows = std::move(fileRows);
    rows.reserve(rows.size() + byNumber.size());
    for (auto& [number, row] : byNumber) {
        row.number = QStringLiteral("第%1题").arg(number);
        if (row.bad && row.kind.isEmpty())
            row.kind = QStringLiteral("—");
        rows.push_back(std::move(row));
    }
    m_model->setRows(std::move(rows));

    QString summary;
    const int bad = int(std::count_if(m_model->rows().begin(), m_model->rows().end(),
                                      [](const ImportPreviewModel::Row& r) { return r.bad && !r.kind.isEmpty(); }));
    if (!read.fileOk) {
        summary = read.summary();
    } else if (dry.refused) {
        summary = dry.error;
        if (bad > 0)
            summary += QStringLiteral("；%1 道有问题，见下表").arg(bad);
    } else {
        QStringList parts = {QStringLiteral("可导入 %1 道试题").arg(dry.saved)};
        if (bad > 0)
            parts << QStringLiteral("%1 道有问题，不导入").arg(bad);
        if (const int skipped = read.skippedCount()) {
            QStringList types;
            for (const auto& [type, count] : read.skippedTypes)
                types << QStringLiteral("%1 %2 道").arg(type).arg(count);
            parts << QStringLiteral("跳过 %1 道本题库没有的题型（%2）").arg(skipped).arg(types.join(QStringLiteral("，")));
        }
        summary = parts.join(QStringLiteral("；")) + QStringLiteral("。按“导入”导入有效的试题，按“取消”不导入。");
    }
    m_ready = read.fileOk && !dry.refused && dry.saved > 0;
    if (m_ready)
        m_read = std::move(read);
    else
        m_read = {};
    ui::showValue(summaryLabel, summary);
    // Where the keyboard lands next, a screen reader says what the file holds.
    ui::setDescription(btnImport, m_ready ? summary : QString());
    ui::setDescription(pathEdit, m_ready ? QString() : summary);
    ui::setDescription(previewGrid, summary);
    btnImport->setEnabled(m_ready);
    if (previewRows() > 0)
        previewGrid->selectRow(0);
    (m_ready ? static_cast<QWidget*>(btnImport) : static_cast<QWidget*>(pathEdit))->setFocus();
}

void TFrmImport::btnImportClick()
{
    if (!m_ready)
        return;
    authoring::ImportRequest request;
    request.chapter = m_chapter;
    request.validOnly = true;
    authoring::ImportResult result;
    const bool ok = guard::run(QStringLiteral("导入试题出现错误，没有导入任何试题！"), [&] {
        ProgressScope shown(QStringLiteral("正在导入试题，请稍候……"));
        ui::WaitCursor wait;
        const int step = std::max<int>(1, int(m_read.questions.size()) / 50);
        result = authoring::importQuestions(DM1->db(), m_read, request, [step](int done, int total) {
            if (done % step == 0 || done == total)
                progress::setText(QStringLiteral("正在导入试题 %1 / %2").arg(done).arg(total));
        });
    });
    if (!ok)
        return;
    if (result.refused) {
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("提示"), result.error);
        return;
    }
    m_saved += result.saved;
    QString done = QStringLiteral("已导入 %1 道试题。").arg(result.saved);
    if (result.skipped > 0)
        done += QStringLiteral("\n%1 道有问题的试题没有导入。").arg(result.skipped);
    prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), done);
    accept();
}

void TFrmImport::btnTemplateClick()
{
    const QString csv = QStringLiteral("CSV 文件 (*.csv)");
    const QString xlsx = QStringLiteral("Excel 工作簿 (*.xlsx)");
    QString filter = csv;
    QString path = authoring::chooseFile(this, {QStringLiteral("下载模板"), QDir(authoring::startFolder()).filePath(QStringLiteral("试题导入模板.csv")),
                                                csv + QStringLiteral(";;") + xlsx, true, &filter});
    activateWindow();
    btnTemplate->setFocus();
    if (path.isEmpty())
        return;
    QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != u"csv" && suffix != u"xlsx") {
        suffix = filter == xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv");
        path += QLatin1Char('.') + suffix;
    }
    const QByteArray bytes = suffix == u"xlsx" ? exchange::xlsxTemplate() : exchange::csvTemplate();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("警告"),
                           QStringLiteral("模板没有保存：\n%1\n%2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    prefs::setExportFolder(QFileInfo(path).absolutePath());
    prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"),
                       QStringLiteral("模板已保存：\n%1\n填写后用“选择文件”导入。").arg(QDir::toNativeSeparators(path)));
}

void TFrmImport::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    ui::paintTitleBand(p, QRect(0, 0, width(), kTitleHeight));
}
