#pragma once

// Helpers of the authoring screen tests: the facts of a stored document as the
// practice reader shows it, answering a modal window, ticking a point.

#include "authoring/AuthoringFixture.h"
#include "common/Prompt.h"
#include "ui/RichText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace authoringtest {


inline QString column(AuthoringBank& bank, const QString& id, const QString& col)
{
    const QVariant v = bank.value(QStringLiteral("select %1 from tab_answ where a1=:a1").arg(col), {{":a1", id}});
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

// What a stored document shows when the practice screen reads it back.
struct DocumentFacts {
    QString text;
    int tables = 0;
    int pictures = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QColor colour;
    int largestPx = 0;
};
inline DocumentFacts facts(const QByteArray& data)
{
    QTextDocument doc;
    ui::loadRichText(&doc, data);
    DocumentFacts f;
    f.text = doc.toPlainText();
    QSet<QTextTable*> tables;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (auto* t = qobject_cast<QTextTable*>(QTextCursor(b).currentTable()))
            tables.insert(t);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat cf = it.fragment().charFormat();
            if (cf.isImageFormat())
                ++f.pictures;
            f.bold |= cf.fontWeight() >= QFont::Bold;
            f.italic |= cf.fontItalic();
            f.underline |= cf.fontUnderline();
            if (cf.foreground().style() != Qt::NoBrush && cf.foreground().color() != QColor(Qt::black))
                f.colour = cf.foreground().color();
            f.largestPx = std::max(f.largestPx, cf.font().pixelSize());
        }
    }
    f.tables = int(tables.size());
    return f;
}

// Runs `f` on the modal window that the next exec() opens.
inline void onNextModal(std::function<void(QWidget*)> f)
{
    QTimer::singleShot(0, [f = std::move(f)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        f(modal);
    });
}

inline void tick(QListWidget* list, int row)
{
    // A click on the tick box, as the candidate does it.
    QListWidgetItem* item = list->item(row);
    list->setCurrentItem(item);
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

class ScreenTest : public ::testing::Test {
protected:
    practicetest::ClockScope clock;
    AuthoringBank bank;
    prompt::Script prompts{{}, 1};

    template <class T>
    static T* child(QWidget* w, const char* name)
    {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static void click(QWidget* w, const char* name)
    {
        auto* b = child<QAbstractButton>(w, name);
        ASSERT_TRUE(b->isEnabled()) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QStringList asked() { return prompts.texts(); }
};

} // namespace authoringtest
