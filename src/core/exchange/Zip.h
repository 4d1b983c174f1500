#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

typedef struct zip zip_t;
typedef struct zip_source zip_source_t;

// Zip archives held in memory (libzip): the office formats are zip packages of XML parts.
namespace exchange {

// An archive built in memory; the caller decides where the bytes go. Throws
// std::runtime_error when libzip fails.
class ZipWriter {
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Data that is compressed already (PNG pictures) is better stored as it is.
    void add(const char* name, QByteArray data, bool store = false);
    QByteArray finish();

private:
    zip_source_t* m_source = nullptr;
    zip_t* m_zip = nullptr;
    QList<QByteArray> m_keep;
};

// Reads the entries of an archive held in memory. A file that is not an archive
// gives an archive that is not open.
class ZipReader {
public:
    explicit ZipReader(const QByteArray& data);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    // The entries' names in the archive's order.
    QList<QString> names() const;
    // The entry's bytes; none when it is missing, unreadable or larger than maxBytes
    // once unpacked (a small archive must not unpack into gigabytes).
    std::optional<QByteArray> read(const QString& name, qint64 maxBytes) const;

private:
    QByteArray m_data;
    zip_t* m_zip = nullptr;
};

} // namespace exchange
