// How long showing a stem takes: reading the stored RTF into a document, laying it out
// in the view and painting it. A stem is shown on every question change, so this must
// stay well under 5 ms. Prints the median of every case and its target.

#include "BenchSupport.h"
#include "core/store/Connection.h"
#include "core/store/RtfWriter.h"
#include "ui/RichText.h"
#include "ui/RichTextView.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

store::RtfWriter::Cell cell(const QString& text)
{
    return store::RtfWriter::Cell{store::RtfWriter::Run{text, {}}};
}

// About 1.5 KB: a stem with a bold phrase, a small table and four options.
QByteArray typicalStem()
{
    store::RtfWriter w;
    w.addText(QString::fromUtf8("某程序在一台计算机上运行时，各类指令所占的比例及其CPI如下表所示。"));
    w.addText(QString::fromUtf8("其中"));
    w.addText(QString::fromUtf8("转移指令"), {.bold = true});
    w.addText(QString::fromUtf8("包括条件转移和无条件转移。"));
    w.addTable({{cell(QString::fromUtf8("指令类型")), cell(QString::fromUtf8("所占比例")), cell("CPI")},
                {cell(QString::fromUtf8("算术逻辑")), cell("40%"), cell("1")},
                {cell(QString::fromUtf8("取数/存数")), cell("30%"), cell("2")},
                {cell(QString::fromUtf8("转移")), cell("20%"), cell("2")},
                {cell(QString::fromUtf8("其他")), cell("10%"), cell("3")}});
    w.addText(QString::fromUtf8("该程序的平均CPI为（  ）。\nA. 2.0\nB. 1.5\nC. 1.7\nD. 1.8"));
    return w.toRtf();
}

// A stem of text only, about 1 KB.
QByteArray textStem()
{
    store::RtfWriter w;
    w.addText(QString::fromUtf8("在操作系统中，进程是资源分配的基本单位，线程是处理机调度的基本单位。"
                                "若系统采用时间片轮转调度算法，时间片过大会退化为先来先服务，过小则进程切换开销增大。"
                                "下列关于进程与线程的叙述中，正确的是（  ）。\n"
                                "A. 同一进程的线程共享该进程的地址空间\nB. 线程切换必须切换页表\n"
                                "C. 进程之间共享全局变量\nD. 一个线程可以属于多个进程"));
    return w.toRtf();
}

QByteArray pictureStem()
{
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 0; x < 120; ++x)
        image.setPixel(x, x * 2 / 3, qRgb(0, 0, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    store::RtfWriter w;
    w.addText(QString::fromUtf8("某进程的页表如下图所示，页面大小为1KB。"));
    w.addPicture(png);
    w.addText(QString::fromUtf8("A. 2100\nB. 5172\nC. 3124\nD. 4148"));
    return w.toRtf();
}

// Hostile documents the reader caps: a table of 60,000 one-cell rows and a new format
// on every one of 60,000 characters.
QByteArray manyRows()
{
    QByteArray rows = "{\\rtf1 ";
    for (int i = 0; i < 60000; ++i)
        rows += "\\intbl x\\cell\\row";
    return rows + "}";
}

QByteArray manyFormats()
{
    QByteArray formats = "{\\rtf1 ";
    for (int i = 0; i < 60000; ++i)
        formats += "\\fs" + QByteArray::number(i % 3000 + 1) + (i % 2 ? "\\b " : "\\b0 ") + "y";
    return formats + "}";
}

// Tables in tables, 25 deep, as HTML (Qt lays each level out twice).
QByteArray nestedTables()
{
    QByteArray h = "<p>top</p>";
    for (int i = 0; i < 25; ++i)
        h += "<table><tr><td>" + QByteArray::number(i) + "</td><td>";
    h += "deep";
    for (int i = 0; i < 25; ++i)
        h += "</td></tr></table>";
    return h;
}

std::string caseName(const char* what, const char* form)
{
    return std::string(what) + " " + form;
}

void BM_Read(benchmark::State& state, const char* form, QByteArray (*make)())
{
    const QByteArray data = make();
    bench::timed(state, caseName("read", form), [] {}, [&] {
        QTextDocument doc;
        ui::loadRichText(&doc, data);
        benchmark::DoNotOptimize(doc.characterCount());
    });
    state.counters["rtf_bytes"] = double(data.size());
}

// What the candidate waits for: the view takes the document and lays it out at its width.
void BM_Show(benchmark::State& state, const char* form, QByteArray (*make)())
{
    const QByteArray data = make();
    ui::RichTextView view;
    view.resize(640, 360);
    view.setRichText(data); // fonts load once per process, not per stem
    (void)view.document()->size();
    bench::timed(state, caseName("show", form), [] {}, [&] {
        view.setRichText(data);
        benchmark::DoNotOptimize(view.document()->size());
    });
    state.counters["rtf_bytes"] = double(data.size());
}

// Showing and painting the visible part.
void BM_ShowAndPaint(benchmark::State& state, const char* form, QByteArray (*make)())
{
    const QByteArray data = make();
    ui::RichTextView view;
    view.resize(640, 360);
    view.setRichText(data);
    (void)view.grab();
    bench::timed(state, caseName("show and paint", form), [] {}, [&] {
        view.setRichText(data);
        benchmark::DoNotOptimize(view.grab());
    });
}

void BM_PlainText(benchmark::State& state)
{
    const QByteArray data = typicalStem();
    bench::timed(state, "plain text typical stem", [] {}, [&] { benchmark::DoNotOptimize(ui::richTextToPlain(data)); });
}

// Every stem of the demo bank in turn, as the practice screen shows them.
void BM_ShowDemoBankStems(benchmark::State& state)
{
    const QString path = QStringLiteral(TESVORA_DEMO_BANK);
    if (!QFile::exists(path)) {
        state.SkipWithError("demo bank not built");
        return;
    }
    auto db = store::Connection::open(path, store::bankKey(), store::Connection::Mode::ReadOnly);
    QList<QByteArray> stems;
    const store::Rows rows = db->query(QStringLiteral("select A15 from tab_exer"));
    for (const auto& row : rows.values)
        stems.append(row[0].toByteArray());
    ui::RichTextView view;
    view.resize(640, 360);
    for (const QByteArray& stem : stems) { // warm the font caches
        view.setRichText(stem);
        (void)view.document()->size();
    }
    qsizetype i = 0;
    bench::timed(state, "show each demo bank stem", [] {}, [&] {
        view.setRichText(stems[i++ % stems.size()]);
        benchmark::DoNotOptimize(view.document()->size());
    });
    state.counters["stems"] = double(stems.size());
}

BENCHMARK_CAPTURE(BM_Read, typical_stem, "typical stem", typicalStem)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Read, text_stem, "text stem", textStem)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Read, picture_stem, "picture stem", pictureStem)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Show, typical_stem, "typical stem", typicalStem)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Show, text_stem, "text stem", textStem)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Show, picture_stem, "picture stem", pictureStem)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ShowAndPaint, typical_stem, "typical stem", typicalStem)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainText)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShowDemoBankStems)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Show, many_rows, "60000 one-cell rows", manyRows)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Show, many_formats, "60000 formats", manyFormats)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_ShowAndPaint, nested_tables, "25 nested HTML tables", nestedTables)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

bool summary()
{
    using bench::result;
    // A stem shows on every question change; the hostile documents only have to end.
    return bench::report({
        result("read typical stem"),
        result("read text stem"),
        result("read picture stem"),
        result("show typical stem", {}, 5.0),
        result("show text stem", {}, 5.0),
        result("show picture stem", {}, 5.0),
        result("show and paint typical stem", {}, 5.0),
        result("plain text typical stem"),
        result("show each demo bank stem", {}, 5.0),
        result("show 60000 one-cell rows", {}, 20000.0),
        result("show 60000 formats", {}, 20000.0),
        result("show and paint 25 nested HTML tables", {}, 5000.0),
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return summary() ? 0 : 3;
}
