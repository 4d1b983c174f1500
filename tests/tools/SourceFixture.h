#pragma once

#include "bank/BankSource.h"
#include "bank/BankWriter.h"
#include "core/store/Connection.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A tiny but complete book in the source format, written to a private folder.
// Tests change one thing and look at what the tool makes of it.
//
// Questions: 010101000001 (single choice, 2 points in one section),
// 010101000002 (multiple choice, no analysis), 010102000001 (true/false),
// 010102000002 (fill-in), 010101G000000001-1 (self-assessed, grouped).
// Point 01000103 has no question.
class SourceFixture {
public:
    SourceFixture()
    {
        m_files[QStringLiteral("00-book.txt")] = QStringLiteral(R"(# The book
== book TEST-BOOK
title: 测试用书
upgrade: TEST-BASE

== plan 1
mark: 0
amount: 50
minutes: 60
exam-date: +120d
least-mark: 60
exam-seconds: 7200

== type 11
name: 单选
time: 1.0
paper1: 2 x 1
paper2: 0 x 1

== type 14
name: 多选
time: 1.5
paper1: 1 x 2

== type 12
name: 判断
time: 0.5
paper1: 0 x 1

== type 13
name: 填空
time: 1.0
paper1: 0 x 1

== type 72
name: 简答
time: 5.0
paper1: 0 x 5

== chapter 0
name: 基础知识
heading: 基础知识

== chapter xx
name: 习题集
heading: 习题集
)");
        m_files[QStringLiteral("01-数据结构.txt")] = QStringLiteral(R"(== chapter 01
name: 第一部分 数据结构
heading: 第一部分 数据结构
chart: yes

== chapter 0101
name: 第一章 线性表
heading: 第一部分 数据结构 > 第一章 线性表
guidance:
  本章重点是**栈**与队列。

== chapter 010101
name: 第一节 栈
heading: 第一部分 数据结构 > 第一章 线性表 > 第一节 栈

== chapter 010102
name: 第二节 队列
heading: 第一部分 数据结构 > 第一章 线性表 > 第二节 队列

== node 01
name: 数据结构

== node 010001
name: 线性结构

== point 01000101
title: 栈的特性
text:
  栈是后进先出的线性表。

== point 01000102
title: 队列的特性
text:
  队列是先进先出的线性表。

== point 01000103
title: 双端队列
text:
  两端都可以插入和删除的线性表。

== group 010101G000000001
stem:
  某程序依次将1、2、3压入一个空栈。

== question 010101000001
type: 11
chapter: 010101
points: 01000101, 01000102
options: 4
answer: B
stem:
  栈的特点是（  ）。 \
  A. 先进先出 \
  B. 后进先出 \
  C. 随机存取 \
  D. 按值存取
analysis:
  栈只允许在栈顶插入和删除。

== question 010101000002
type: 14
chapter: 010101
points: 01000101
options: 4
answer: AC
stem:
  下列属于栈的基本操作的是（  ）。 \
  A. 入栈 \
  B. 排序 \
  C. 出栈 \
  D. 合并

== question 010102000001
type: 12
chapter: 010102
points: 01000102
options: 2
answer: A
stem:
  队列是先进先出的线性表。（  ）
analysis:
  队列在队尾插入、在队头删除。

== question 010102000002
type: 13
chapter: 010102
points: 01000102
options: 1
answer: 队头
stem:
  在队列中，删除操作在（  ）进行。
analysis:
  插入在队尾，删除在队头。

== question 010101G000000001-1
type: 72
chapter: 010101
points: 01000101
options: 1
answer: 1
stem:
  写出三个元素全部出栈的顺序。
analysis:
  出栈顺序为3、2、1。
)");
    }

    QString dir() const { return m_dir.path(); }
    QString path(const QString& file) const { return QDir(dir()).filePath(file); }

    void set(const QString& file, const QString& text) { m_files[file] = text; }
    void append(const QString& file, const QString& text) { m_files[file] += text; }
    // Changes the first occurrence; the change must apply.
    void replace(const QString& file, const QString& from, const QString& to)
    {
        QString& text = m_files[file];
        const qsizetype at = text.indexOf(from);
        ASSERT_GE(at, 0) << from.toStdString() << " not in " << file.toStdString();
        text.replace(at, from.size(), to);
    }
    // 1-based number of the nth line that reads exactly text.
    int lineOf(const QString& file, const QString& text, int nth = 1) const
    {
        const QStringList lines = m_files.value(file).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i] == text && --nth == 0)
                return i + 1;
        ADD_FAILURE() << text.toStdString() << " not in " << file.toStdString();
        return -1;
    }

    void write() const
    {
        for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
            QFile f(path(it.key()));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(it.value().toUtf8());
        }
    }

    // Reads and checks the written sources.
    bank::BankSource read(QList<bank::Problem>& problems, const QDate& today = QDate(2027, 3, 1)) const
    {
        write();
        return bank::readBankSource(dir(), today, problems);
    }

    // Builds a bank at out; the problems found, if any, instead.
    QList<bank::Problem> build(const QString& out, const QDate& today = QDate(2027, 3, 1)) const
    {
        QList<bank::Problem> problems;
        const bank::BankSource source = read(problems, today);
        if (problems.isEmpty())
            bank::createBankFile(out, false, [&](store::Connection& db) { bank::writeBank(db, source); });
        return problems;
    }

private:
    QTemporaryDir m_dir;
    QMap<QString, QString> m_files;
};

inline std::string describe(const QList<bank::Problem>& problems)
{
    std::string s;
    for (const auto& p : problems)
        s += p.toString().toStdString() + "\n";
    return s;
}
