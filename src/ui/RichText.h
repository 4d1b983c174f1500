#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

#include "core/store/Dataset.h"

class QTextDocument;
class QUrl;

// Rich-text documents as the bank stores them: stems, analyses, shared stems, point
// texts and chapter guidance. One reader for all of them:
//  - RTF as Windows rich-edit controls write it (code page 936 with GBK \'xx escapes,
//    \uN with its fallback, font and colour tables, character and paragraph formats,
//    tables, embedded PNG/JPEG pictures; unknown destinations are skipped),
//  - HTML (what the program's own editor saves),
//  - plain text (UTF-8, else GBK).
// Malformed input never crashes or hangs: whatever could be read is shown.
namespace ui {

enum class RichFormat { Rtf, Html, Plain };

// RTF when the bytes start with "{\rtf" (after blanks or a byte-order mark), HTML when
// they start with a tag Qt takes for rich text, plain text otherwise.
RichFormat detectRichFormat(const QByteArray& data);

// Replaces the document's content with the data. Also installs a resource provider that
// resolves only pictures carried inside the data (never files or the network).
void loadRichText(QTextDocument* doc, const QByteArray& data);

// The text a document shows: paragraphs and line breaks as '\n', table cells separated
// by '\t' and rows by '\n', pictures left out.
QString richTextToPlain(const QByteArray& data);

// The document as HTML (UTF-8) with its pictures embedded as data: URLs, so that
// loadRichText() gives the same document back.
QByteArray richTextHtml(const QTextDocument* doc);

// What a rich-text widget's document may load by itself: pictures inside data: URLs
// (size-capped). Anything else (files, the network) resolves to nothing.
QVariant loadEmbeddedResource(int type, const QUrl& name);

// Keeps a rich-text widget showing one column of a dataset's current row. Reloads when
// the current row changes, and when the column's value itself changes (an edit of
// another column leaves the widget, and whatever is typed in it, alone).
class RichTextBinding : public QObject {
    Q_OBJECT
public:
    using Loader = std::function<void(const QByteArray&)>;
    RichTextBinding(Loader loader, QObject* parent);

    // A null dataset unbinds. The value is loaded at once.
    void bind(store::Dataset* dataset, const QString& column);
    store::Dataset* dataset() const { return m_dataset; }
    QString column() const { return m_column; }

private:
    QByteArray currentValue() const;
    void reload(bool force);

    Loader m_loader;
    QPointer<store::Dataset> m_dataset;
    QString m_column;
    QByteArray m_loaded;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace ui
