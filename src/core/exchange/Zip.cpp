#include "core/exchange/Zip.h"

#include <stdexcept>
#include <zip.h>

namespace exchange {

ZipWriter::ZipWriter()
{
    zip_error_t error;
    zip_error_init(&error);
    m_source = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (m_source)
        m_zip = zip_open_from_source(m_source, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!m_zip) {
        if (m_source)
            zip_source_free(m_source);
        throw std::runtime_error("cannot start a zip archive");
    }
    zip_source_keep(m_source);
}

ZipWriter::~ZipWriter()
{
    if (m_zip)
        zip_discard(m_zip);
    zip_source_free(m_source);
}

void ZipWriter::add(const char* name, QByteArray data, bool store)
{
    m_keep.append(std::move(data));
    const QByteArray& kept = m_keep.back();
    zip_source_t* s = zip_source_buffer(m_zip, kept.constData(), zip_uint64_t(kept.size()), 0);
    if (!s)
        throw std::runtime_error("cannot add to the zip archive");
    const zip_int64_t index = zip_file_add(m_zip, name, s, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(s);
        throw std::runtime_error("cannot add to the zip archive");
    }
    zip_set_file_compression(m_zip, zip_uint64_t(index), store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 1);
}

QByteArray ZipWriter::finish()
{
    if (zip_close(m_zip) != 0)
        throw std::runtime_error("cannot write the zip archive");
    m_zip = nullptr;
    if (zip_source_open(m_source) != 0)
        throw std::runtime_error("cannot read the zip archive");
    QByteArray out;
    char buffer[65536];
    zip_int64_t n;
    while ((n = zip_source_read(m_source, buffer, sizeof buffer)) > 0)
        out.append(buffer, qsizetype(n));
    zip_source_close(m_source);
    if (n < 0)
        throw std::runtime_error("cannot read the zip archive");
    return out;
}

ZipReader::ZipReader(const QByteArray& data)
    : m_data(data)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(m_data.constData(), zip_uint64_t(m_data.size()), 0, &error);
    if (source) {
        m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!m_zip)
            zip_source_free(source);
    }
    zip_error_fini(&error);
}

ZipReader::~ZipReader()
{
    if (m_zip)
        zip_discard(m_zip);
}

QList<QString> ZipReader::names() const
{
    QList<QString> out;
    const zip_int64_t n = m_zip ? zip_get_num_entries(m_zip, 0) : 0;
    for (zip_int64_t i = 0; i < n; ++i)
        if (const char* name = zip_get_name(m_zip, zip_uint64_t(i), 0))
            out << QString::fromUtf8(name);
    return out;
}

std::optional<QByteArray> ZipReader::read(const QString& name, qint64 maxBytes) const
{
    if (!m_zip)
        return std::nullopt;
    const QByteArray n = name.toUtf8();
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(m_zip, n.constData(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || st.size > zip_uint64_t(maxBytes))
        return std::nullopt;
    zip_file_t* f = zip_fopen(m_zip, n.constData(), 0);
    if (!f)
        return std::nullopt;
    QByteArray out;
    out.resize(qsizetype(st.size));
    // Read no more than the directory promised, whatever the entry really holds.
    zip_int64_t got = 0;
    while (got < zip_int64_t(st.size)) {
        const zip_int64_t r = zip_fread(f, out.data() + got, st.size - zip_uint64_t(got));
        if (r <= 0)
            break;
        got += r;
    }
    zip_fclose(f);
    if (got != zip_int64_t(st.size))
        return std::nullopt;
    return out;
}

} // namespace exchange
