#include "core/store/DatasetModel.h"
#include "core/store/Dataset.h"

#include <QItemSelectionModel>

namespace store {

DatasetModel::DatasetModel(Dataset* dataset, QObject* parent)
    : QAbstractTableModel(parent), m_dataset(dataset)
{
    if (dataset) {
        connect(dataset, &Dataset::layoutChanged, this, &DatasetModel::reload);
        connect(dataset, &QObject::destroyed, this, &DatasetModel::reload);
        connect(dataset, &Dataset::valuesChanged, this, &DatasetModel::onValuesChanged);
        connect(dataset, &Dataset::rowsChanged, this, [this] {
            if (rowCount() > 0 && !m_columns.empty())
                Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, int(m_columns.size()) - 1));
        });
        connect(dataset, &Dataset::currentChanged, this, [this] {
            if (m_selection)
                syncCurrent(m_selection);
        });
    }
    reload();
}

void DatasetModel::setColumns(std::vector<Column> columns)
{
    m_spec = std::move(columns);
    reload();
}

void DatasetModel::reload()
{
    beginResetModel();
    m_columns = m_spec;
    if (m_columns.empty() && m_dataset)
        for (const QString& c : m_dataset->columns())
            m_columns.push_back({c, c});
    m_index.clear();
    for (const Column& c : m_columns)
        m_index.push_back(m_dataset ? m_dataset->columnIndex(c.name) : -1);
    endResetModel();
    if (m_selection)
        syncCurrent(m_selection);
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_dataset ? 0 : m_dataset->recordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_dataset || index.column() >= int(m_columns.size()))
        return {};
    const Column& c = m_columns[size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole: {
        const QVariant v = m_dataset->valueAt(index.row(), m_index[size_t(index.column())]);
        if (c.format)
            return c.format(v);
        return v.isValid() ? v.toString() : QString();
    }
    case Qt::EditRole:
        return m_dataset->valueAt(index.row(), m_index[size_t(index.column())]);
    case Qt::TextAlignmentRole:
        return int(c.alignment);
    default:
        return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < int(m_columns.size())) {
        if (role == Qt::DisplayRole)
            return m_columns[size_t(section)].caption;
        if (role == Qt::TextAlignmentRole)
            return int(m_columns[size_t(section)].alignment);
    }
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return {};
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void DatasetModel::bindSelection(QItemSelectionModel* selection)
{
    if (m_selection)
        disconnect(m_selection, nullptr, this, nullptr);
    m_selection = selection;
    if (!selection)
        return;
    connect(selection, &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { onSelectionMoved(current); });
    syncCurrent(selection);
}

bool DatasetModel::syncCurrent(QItemSelectionModel* selection) const
{
    if (!selection || !m_dataset)
        return false;
    const int row = m_dataset->recNo() - 1;
    m_syncing = true;
    if (row >= 0)
        selection->setCurrentIndex(index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selection->clear();
    m_syncing = false;
    return row >= 0;
}

void DatasetModel::onSelectionMoved(const QModelIndex& current)
{
    if (m_syncing || !m_dataset || !current.isValid() || current.row() + 1 == m_dataset->recNo())
        return;
    try {
        m_dataset->moveTo(current.row() + 1);
    } catch (const DbError& e) {
        syncCurrent(m_selection);
        Q_EMIT moveFailed(e.message());
    }
}

void DatasetModel::onValuesChanged()
{
    if (!m_dataset || m_columns.empty())
        return;
    const int row = m_dataset->recNo() - 1;
    if (row >= 0 && row < rowCount())
        Q_EMIT dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

} // namespace store
