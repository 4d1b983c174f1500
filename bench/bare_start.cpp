// The floor under the program's start-up: a bare Qt program that opens the bank with
// its key through the SQLCipher C API (as the store's connection does: key, page size,
// one read that proves the key) and shows one maximised window with a Chinese label.
// Like the program's menu, it says so on stderr once its first frame is painted, then
// ends. bench/startup.sh times both from outside, in turn.
//
//   bare_start BANK
#include "core/store/Connection.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <sqlite3.h>

namespace {

bool openBank(const char* path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return false;
    }
    const QByteArray key = store::bankKey();
    sqlite3_stmt* probe = nullptr;
    const bool ok = sqlite3_key(db, key.constData(), int(key.size())) == SQLITE_OK
                    && sqlite3_exec(db, "PRAGMA cipher_page_size = 4096;", nullptr, nullptr, nullptr) == SQLITE_OK
                    && sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr) == SQLITE_OK
                    && sqlite3_step(probe) == SQLITE_ROW;
    sqlite3_finalize(probe);
    sqlite3_close_v2(db);
    return ok;
}

// Says when its first frame is painted, once, after the paint has finished.
class Window : public QWidget {
public:
    Window()
    {
        auto* label = new QLabel(QStringLiteral("考试辅导 · 章节练习 · 模拟考试"), this);
        label->setAlignment(Qt::AlignCenter);
        QFont font = label->font();
        font.setPointSize(24);
        label->setFont(font);
        (new QVBoxLayout(this))->addWidget(label);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        if (m_painted)
            return;
        m_painted = true;
        QTimer::singleShot(0, this, [this] {
            std::fprintf(stderr, "bare window on screen\n");
            std::fflush(stderr);
            close();
        });
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bare_start BANK\n");
        return 2;
    }
    if (!openBank(argv[1])) {
        std::fprintf(stderr, "bare_start: cannot open %s with the bank key\n", argv[1]);
        return 1;
    }
    Window w;
    w.setWindowTitle(QStringLiteral("考试辅导"));
    w.showMaximized();
    return QApplication::exec();
}
