#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <functional>
#include <vector>

class QItemSelectionModel;

namespace store {

class Dataset;

// A read-only table over a dataset's visible rows, for grids. It follows the
// dataset's signals, and bindSelection() keeps a view's current row and the
// dataset's current row the same in both directions.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString name;    // dataset column (case-insensitive)
        QString caption; // header text
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        std::function<QString(const QVariant&)> format = {}; // display text; default: the value as text
    };

    explicit DatasetModel(Dataset* dataset, QObject* parent = nullptr);

    // Empty: every column of the dataset, captioned by its name.
    void setColumns(std::vector<Column> columns);
    Dataset* dataset() const { return m_dataset; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // From now on: selection's current row -> dataset's current row and back.
    void bindSelection(QItemSelectionModel* selection);
    // Puts the selection's current row on the dataset's current row now.
    // False (and no current row) when the dataset has none.
    bool syncCurrent(QItemSelectionModel* selection) const;

Q_SIGNALS:
    // Moving the dataset from the view failed (a pending edit could not be posted);
    // the view is put back on the dataset's row.
    void moveFailed(const QString& message);

private:
    void reload();
    void onSelectionMoved(const QModelIndex& current);
    void onValuesChanged();

    QPointer<Dataset> m_dataset;
    QPointer<QItemSelectionModel> m_selection;
    std::vector<Column> m_spec;    // as set
    std::vector<Column> m_columns; // in use
    std::vector<int> m_index;      // dataset column of each model column
    mutable bool m_syncing = false;
};

} // namespace store
