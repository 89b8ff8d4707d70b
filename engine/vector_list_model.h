#pragma once

#include <QAbstractListModel>
#include <QVariantList>

#include <cstddef>
#include <vector>

namespace vardo {

// A list the interface shows in a list view. Rows are inserted and removed one by one,
// so a view keeps its scroll position and selection when a row arrives.
class ListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ rowCountForQml NOTIFY countChanged)

public:
    using QAbstractListModel::QAbstractListModel;
    // The rows as plain maps, for the published state printed as JSON.
    virtual QVariantList toVariantList() const = 0;

signals:
    void countChanged();

private:
    int rowCountForQml() const { return rowCount(); }
};

// The engine's own list of T, which only it changes, shown as a model.
template <typename T>
class VectorListModel : public ListModel {
public:
    using ListModel::ListModel;

    const std::vector<T> &items() const { return items_; }
    bool empty() const { return items_.empty(); }
    std::size_t size() const { return items_.size(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(items_.size());
    }

    void prepend(T item) { insertAt(0, std::move(item)); }
    void append(T item) { insertAt(items_.size(), std::move(item)); }

    // Drops rows beyond the first `size`.
    void truncate(std::size_t size)
    {
        if (items_.size() <= size)
            return;
        beginRemoveRows(QModelIndex(), static_cast<int>(size), static_cast<int>(items_.size()) - 1);
        items_.resize(size);
        endRemoveRows();
        emit countChanged();
    }

    void removeAt(std::size_t row)
    {
        beginRemoveRows(QModelIndex(), static_cast<int>(row), static_cast<int>(row));
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(row));
        endRemoveRows();
        emit countChanged();
    }

    void replaceAll(std::vector<T> items)
    {
        beginResetModel();
        items_ = std::move(items);
        endResetModel();
        emit countChanged();
    }

    void clear() { replaceAll({}); }

    // Every row's data changed (the language of its texts, for example).
    void refreshAll()
    {
        if (!items_.empty())
            emit dataChanged(index(0), index(static_cast<int>(items_.size()) - 1));
    }

protected:
    // For a subclass that changes a row in place and says so (dataChanged).
    T &mutableItem(std::size_t row) { return items_[row]; }

private:
    void insertAt(std::size_t row, T item)
    {
        beginInsertRows(QModelIndex(), static_cast<int>(row), static_cast<int>(row));
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(row), std::move(item));
        endInsertRows();
        emit countChanged();
    }

    std::vector<T> items_;
};

} // namespace vardo
