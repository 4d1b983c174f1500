#include "exam/PaperDocument.h"

#include "core/exchange/Zip.h"

#include "exam/ExamLog.h"
#include "core/app/Preferences.h"
#include "common/Prompt.h"
#include "common/TFrmProgress.h"
#include "ui/DocxWriter.h"
#include "ui/RichText.h"
#include "ui/Screen.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextDocumentWriter>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <limits>
#include <stdexcept>

namespace exam {

namespace {

SavePathChooser g_chooser;
DocumentOpener g_opener;

const QString kWaiting = QStringLiteral("正在导出试卷，请等待...");

// Pictures of every stored text are named by their own document ("rtfpict:1", …):
// in the paper they get names of their own, and the paper holds their images.
void adoptPictures(QTextDocument& part, QTextDocument& paper, int& pictureCount)
{
    struct Spot {
        int position;
        int length;
        QTextImageFormat format;
    };
    QList<Spot> spots;
    for (QTextBlock b = part.begin(); b.isValid(); b = b.next())
        for (QTextBlock::iterator it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                spots.append({it.fragment().position(), it.fragment().length(), it.fragment().charFormat().toImageFormat()});
    if (spots.isEmpty())
        return;
    QHash<QString, QString> renamed;
    QTextCursor c(&part);
    for (Spot& s : spots) {
        QString& name = renamed[s.format.name()];
        if (name.isEmpty()) {
            name = QStringLiteral("paperpict:%1").arg(++pictureCount);
            paper.addResource(QTextDocument::ImageResource, QUrl(name),
                              part.resource(QTextDocument::ImageResource, QUrl(s.format.name())));
        }
        s.format.setName(name);
        c.setPosition(s.position);
        c.setPosition(s.position + s.length, QTextCursor::KeepAnchor);
        c.setCharFormat(s.format);
    }
}

// Every table with a solid single border, as the DOCX draws them: stored texts
// often leave the border out, and the ODF writer then writes none.
void borderTables(QTextFrame* frame)
{
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child)) {
            QTextTableFormat f = table->format();
            if (f.border() <= 0)
                f.setBorder(0.75);
            f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            f.setBorderBrush(Qt::black);
            f.setBorderCollapse(true);
            table->setFormat(f);
        }
        borderTables(child);
    }
}

// Tables sized in fixed units (stored texts made for a wider screen) get the same
// proportions as shares of the page, so the page's margin never cuts them.
void fitTablesToWidth(QTextFrame* frame)
{
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child)) {
            QTextTableFormat f = table->format();
            QList<QTextLength> columns = f.columnWidthConstraints();
            qreal fixed = 0;
            for (const QTextLength& c : columns)
                if (c.type() == QTextLength::FixedLength)
                    fixed += c.rawValue();
            if (fixed > 0)
                for (QTextLength& c : columns)
                    if (c.type() == QTextLength::FixedLength)
                        c = QTextLength(QTextLength::PercentageLength, c.rawValue() / fixed * 100.0);
            f.setColumnWidthConstraints(columns);
            if (f.width().type() == QTextLength::FixedLength || fixed > 0)
                f.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            table->setFormat(f);
        }
        fitTablesToWidth(child);
    }
}

// Qt's ODF writer puts a tab in front of every line break (so that a justified line
// does not stretch) and indents its XML inside paragraphs. Word processors show both:
// a stray tab at each line's end, which can wrap to a blank line of its own, and a
// space where the indent falls between two runs ("1、 题干"). The DOCX has neither.
QByteArray tidyOdfContent(const QByteArray& xml)
{
    const QString textNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
    QXmlStreamReader in(xml);
    QByteArray out;
    QXmlStreamWriter w(&out);
    bool tabHeld = false; // a tab not written yet: dropped when a line break follows it
    while (!in.atEnd()) {
        in.readNext();
        // The writer's indentation; text of the document never holds a newline.
        if (in.isWhitespace() && in.text().contains(QLatin1Char('\n')))
            continue;
        if (in.isStartElement() && in.namespaceUri() == textNs && in.name() == QLatin1String("tab")) {
            if (tabHeld)
                w.writeEmptyElement(textNs, QStringLiteral("tab"));
            tabHeld = true;
            in.skipCurrentElement();
            continue;
        }
        if (tabHeld) {
            tabHeld = false;
            if (!(in.isStartElement() && in.namespaceUri() == textNs && in.name() == QLatin1String("line-break")))
                w.writeEmptyElement(textNs, QStringLiteral("tab"));
        }
        if (!in.isEndDocument() && in.tokenType() != QXmlStreamReader::Invalid)
            w.writeCurrentToken(in);
    }
    if (in.hasError())
        throw std::runtime_error("the ODF writer wrote unreadable XML: " + in.errorString().toStdString());
    return out;
}

// The archive with one member's bytes passed through `change`; the others, and the
// order (the ODF "mimetype" first, uncompressed), stay as they were.
QByteArray withMemberChanged(const QByteArray& archive, const QString& name,
                             const std::function<QByteArray(const QByteArray&)>& change)
{
    const exchange::ZipReader in(archive);
    if (!in.isOpen())
        throw std::runtime_error("cannot reopen the written archive");
    exchange::ZipWriter out;
    bool found = false;
    for (const QString& member : in.names()) {
        // Our own file, just written: no member can be larger than the archive unpacked.
        const std::optional<QByteArray> bytes = in.read(member, std::numeric_limits<qint64>::max());
        if (!bytes)
            throw std::runtime_error("cannot read a member of the archive");
        found = found || member == name;
        out.add(member.toUtf8().constData(), member == name ? change(*bytes) : *bytes,
                member == QLatin1String("mimetype"));
    }
    if (!found)
        throw std::runtime_error("the archive lacks a member it needs");
    return out.finish();
}

} // namespace

std::unique_ptr<QTextDocument> paperDocument(const PaperContent& content, const std::function<void(int)>& progress)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    QFont font(QStringLiteral("Noto Serif CJK SC"));
    font.setPointSizeF(10.5);
    doc->setDefaultFont(font);

    QTextCursor cursor(doc.get());
    cursor.beginEditBlock();
    QTextDocument part;
    part.setUndoRedoEnabled(false);
    bool first = true;
    bool breakBefore = false;
    int lastQuestion = 0;
    int pictures = 0;
    for (const PaperPiece& piece : content.pieces) {
        if (piece.kind == PaperPiece::Kind::PageBreak) {
            breakBefore = true;
            continue;
        }
        if (progress && piece.question != lastQuestion && piece.question > 0) {
            lastQuestion = piece.question;
            progress(piece.question);
        }
        QTextBlockFormat block;
        if (breakBefore)
            block.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        breakBefore = false;
        QTextCharFormat plain;
        if (first) {
            // The title: centred and large.
            block.setAlignment(Qt::AlignHCenter);
            plain.setFontWeight(QFont::Bold);
            plain.setFontPointSize(16);
        }
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block, QTextCharFormat());
        cursor.setBlockCharFormat(QTextCharFormat());
        first = false;
        if (!piece.text.isEmpty())
            cursor.insertText(piece.text, plain);
        if (piece.kind == PaperPiece::Kind::Rich && !piece.rich.isEmpty()) {
            ui::loadRichText(&part, piece.rich);
            adoptPictures(part, *doc, pictures);
            cursor.insertFragment(QTextDocumentFragment(&part));
        }
    }
    cursor.endEditBlock();
    return doc;
}

PaperFormat paperFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("odt"))
        return PaperFormat::Odt;
    if (suffix == QLatin1String("pdf"))
        return PaperFormat::Pdf;
    return PaperFormat::Docx;
}

QString paperFileName(const QString& title)
{
    QString name = title.trimmed();
    for (QChar& c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("试卷") : name;
}

void writePaperFile(const QTextDocument& doc, const QString& path, PaperFormat format)
{
    QByteArray bytes;
    switch (format) {
    case PaperFormat::Docx:
        bytes = ui::docxBytes(doc);
        break;
    case PaperFormat::Odt: {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QTextDocumentWriter writer(&buffer, "ODF");
        std::unique_ptr<QTextDocument> copy(doc.clone());
        borderTables(copy->rootFrame());
        if (!writer.write(copy.get()))
            throw std::runtime_error("the ODF writer failed");
        buffer.close();
        bytes = withMemberChanged(bytes, "content.xml", tidyOdfContent);
        break;
    }
    case PaperFormat::Pdf: {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(25, 25, 25, 25), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
        // print() lays a copy out on the writer's pages; the page breaks hold there.
        std::unique_ptr<QTextDocument> copy(doc.clone());
        // Glyphs that shaping substitutes have no entry in the embedded font's map
        // back to characters, so copied text lost them ("O(1)" came out "O( )").
        QFont font = copy->defaultFont();
        font.setStyleStrategy(QFont::PreferNoShaping);
        copy->setDefaultFont(font);
        fitTablesToWidth(copy->rootFrame());
        copy->print(&writer);
        break;
    }
    }
    if (bytes.isEmpty())
        throw std::runtime_error("nothing was written");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()).toStdString());
}

void setSavePathChooser(SavePathChooser chooser)
{
    g_chooser = std::move(chooser);
}

void setDocumentOpener(DocumentOpener opener)
{
    g_opener = std::move(opener);
}

namespace {

QString chooseSavePath(QWidget* owner, const QString& proposed)
{
    if (g_chooser)
        return g_chooser(owner, proposed);
    const QString docx = QStringLiteral("Word 文档 (*.docx)");
    const QString odt = QStringLiteral("OpenDocument 文本 (*.odt)");
    const QString pdf = QStringLiteral("PDF 文档 (*.pdf)");
    QString filter = docx;
    QString path = QFileDialog::getSaveFileName(owner, QStringLiteral("生成文档"), proposed,
                                                docx + QStringLiteral(";;") + odt + QStringLiteral(";;") + pdf, &filter);
    if (path.isEmpty())
        return path;
    // A name typed without an ending takes the one of the chosen type.
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("docx") && suffix != QLatin1String("odt") && suffix != QLatin1String("pdf"))
        path += filter == odt ? QStringLiteral(".odt") : filter == pdf ? QStringLiteral(".pdf") : QStringLiteral(".docx");
    return path;
}

} // namespace

namespace {

// What the export says while and after writing, and a question asked once the path
// is chosen (false stops it).
struct ExportTexts {
    QString waiting;
    QString done;
    std::function<bool()> beforeWriting;
};

// Asks where to save, writes the content that `read` gathers with the progress window
// up, and opens the file; any failure ends with the warning box and no file.
void exportContent(QWidget* owner, const QString& title, const QString& logName, const ExportTexts& texts,
                   const std::function<PaperContent()>& read)
{
    // Where the last paper went, in this run or an earlier one.
    QString folder = prefs::exportFolder();
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString path = chooseSavePath(owner, QDir(folder).filePath(paperFileName(title) + QStringLiteral(".docx")));
    if (path.isEmpty())
        return;
    if (texts.beforeWriting && !texts.beforeWriting())
        return;
    progress::show(texts.waiting);
    try {
        ui::WaitCursor wait;
        const PaperContent content = read();
        const auto shown = [&texts](int n) {
            progress::setText(texts.waiting + QStringLiteral(" 第%1题").arg(n));
        };
        std::unique_ptr<QTextDocument> doc = paperDocument(content, shown);
        doc->setMetaInformation(QTextDocument::DocumentTitle, title);
        writePaperFile(*doc, path, paperFormatOf(path));
    } catch (const std::exception& e) {
        progress::hide();
        qCWarning(lcExam).noquote() << "exporting" << logName << "to" << path << "failed:" << e.what();
        prompt::messageBox(prompt::Icon::Warning, QStringLiteral("警告"), QStringLiteral("导出试题发生错误，请退出后重试！"));
        return;
    }
    progress::hide();
    prefs::setExportFolder(QFileInfo(path).absolutePath());
    prompt::messageBox(prompt::Icon::Information, QStringLiteral("提示"), texts.done + QDir::toNativeSeparators(path));
    if (g_opener)
        g_opener(path);
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        qCWarning(lcExam).noquote() << "no program opened" << path; // the file is written all the same
}

} // namespace

void ExportPaper(QWidget* owner, store::Connection& db, const QString& paperTable, const QString& typeTable,
                 const QString& title)
{
    bool withMine = false;
    ExportTexts texts{kWaiting, QStringLiteral("试卷已导出到："), [&withMine] {
                          withMine = prompt::messageBox(prompt::Icon::Question, QStringLiteral("生成文档"),
                                                        QStringLiteral("包含我的答案（对错、得分和用时）吗？"),
                                                        prompt::Buttons::YesNo)
                                  == prompt::Ok;
                          return true;
                      }};
    exportContent(owner, title, paperTable, texts,
                  [&] { return readPaperContent(db, paperTable, typeTable, title, {}, withMine); });
}

void ExportQuestionList(QWidget* owner, store::Connection& db, const QString& title, const QList<QuestionSection>& sections)
{
    const ExportTexts texts{QStringLiteral("正在生成文档，请等待..."), QStringLiteral("文档已导出到："), {}};
    exportContent(owner, title, title, texts, [&] { return readQuestionListContent(db, title, sections); });
}

} // namespace exam
