#pragma once
// A list that owns its items: removing an item or clearing the list destroys the items.

#include <cstddef>
#include <vector>

template <class T> class TObjList {
public:
    TObjList() = default;
    virtual ~TObjList() { Clear(); }
    TObjList(const TObjList&) = delete;
    TObjList& operator=(const TObjList&) = delete;

    // Takes ownership; returns the item's index.
    int Add(T* item) {
        items.push_back(item);
        return int(items.size()) - 1;
    }
    void Insert(int index, T* item) { items.insert(items.begin() + index, item); }

    // Destroys the item and closes the gap.
    void Delete(int index) {
        T* item = items[size_t(index)];
        items.erase(items.begin() + index);
        delete item;
    }

    // Hands the item back to the caller without destroying it.
    T* Extract(int index) {
        T* item = items[size_t(index)];
        items.erase(items.begin() + index);
        return item;
    }

    // Destroys every item, from the last to the first, then empties the list. Later items may
    // refer to earlier ones, never the other way round, so this order is always safe.
    virtual void Clear() {
        while (!items.empty()) {
            T* item = items.back();
            items.pop_back();
            delete item;
        }
    }

    int Count() const { return int(items.size()); }
    T* operator[](int index) const { return items[size_t(index)]; }
    T* Items(int index) const { return items[size_t(index)]; }
    T* First() const { return items.front(); }
    T* Last() const { return items.back(); }
    int IndexOf(const T* item) const {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == item) return int(i);
        return -1;
    }

    typename std::vector<T*>::const_iterator begin() const { return items.begin(); }
    typename std::vector<T*>::const_iterator end() const { return items.end(); }

private:
    std::vector<T*> items;
};
