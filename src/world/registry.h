// Registry: entities as 32-bit ids with sparse-set component storages and last-to-first views.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

// 20-bit index, 12-bit version; all bits set is the null id.
enum class Entity : std::uint32_t {};

inline constexpr std::uint32_t ENTITY_INDEX_BITS = 20;
inline constexpr std::uint32_t ENTITY_INDEX_MASK = 0xFFFFFu;
inline constexpr std::uint32_t ENTITY_VERSION_MASK = 0xFFFu;
inline constexpr Entity nullEntity{0xFFFFFFFFu};

constexpr std::uint32_t entityIndex(Entity e) { return static_cast<std::uint32_t>(e) & ENTITY_INDEX_MASK; }
constexpr std::uint32_t entityVersion(Entity e) { return static_cast<std::uint32_t>(e) >> ENTITY_INDEX_BITS; }
constexpr Entity makeEntity(std::uint32_t index, std::uint32_t version) {
    return Entity{(version << ENTITY_INDEX_BITS) | (index & ENTITY_INDEX_MASK)};
}

// Ids of one storage: packed holds the entities in insertion order (swap-and-pop on removal),
// sparse maps an entity index to its packed position.
struct SparseSet {
    static constexpr std::uint32_t ABSENT = 0xFFFFFFFFu;
    std::vector<std::uint32_t> sparse;
    std::vector<Entity> packed;

    bool contains(Entity e) const {
        std::uint32_t i = entityIndex(e);
        return i < sparse.size() && sparse[i] != ABSENT && packed[sparse[i]] == e;
    }
    std::size_t size() const { return packed.size(); }
};

template <typename T>
struct ComponentStorage {
    SparseSet set;
    std::vector<T> values;  // parallel to set.packed

    T& add(Entity e, T value) {
        std::uint32_t i = entityIndex(e);
        if (i >= set.sparse.size()) set.sparse.resize(i + 1, SparseSet::ABSENT);
        set.sparse[i] = static_cast<std::uint32_t>(set.packed.size());
        set.packed.push_back(e);
        values.push_back(std::move(value));
        return values.back();
    }
    void remove(Entity e) {
        if (!set.contains(e)) return;
        std::uint32_t pos = set.sparse[entityIndex(e)];
        std::uint32_t last = static_cast<std::uint32_t>(set.packed.size() - 1);
        if (pos != last) {
            set.packed[pos] = set.packed[last];
            values[pos] = std::move(values[last]);
            set.sparse[entityIndex(set.packed[pos])] = pos;
        }
        set.packed.pop_back();
        values.pop_back();
        set.sparse[entityIndex(e)] = SparseSet::ABSENT;
    }
    T& get(Entity e) { return values[set.sparse[entityIndex(e)]]; }
};

namespace registry_detail {
inline std::size_t nextTypeId() {
    static std::size_t counter = 0;
    return counter++;
}
template <typename T>
std::size_t typeId() {
    static const std::size_t id = nextTypeId();
    return id;
}
}  // namespace registry_detail

struct Registry {
    // One type-erased storage per component type, indexed by typeId.
    struct Pool {
        std::shared_ptr<void> storage;
        SparseSet* set = nullptr;
        void (*remove)(void*, Entity) = nullptr;
    };

    std::vector<Entity> slots;                // current id at each index
    std::vector<bool> alive;
    std::vector<std::uint32_t> freeIndices;   // most recently destroyed last
    std::vector<Pool> pools;

    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    Entity create() {
        if (!freeIndices.empty()) {
            std::uint32_t i = freeIndices.back();
            freeIndices.pop_back();
            alive[i] = true;
            return slots[i];
        }
        std::uint32_t i = static_cast<std::uint32_t>(slots.size());
        slots.push_back(makeEntity(i, 0));
        alive.push_back(true);
        return slots.back();
    }

    bool valid(Entity e) const {
        std::uint32_t i = entityIndex(e);
        return e != nullEntity && i < slots.size() && alive[i] && slots[i] == e;
    }

    void destroy(Entity e) {
        if (!valid(e)) return;
        for (Pool& p : pools)
            if (p.storage) p.remove(p.storage.get(), e);
        std::uint32_t i = entityIndex(e);
        // The all-ones version is skipped so that a live id never equals the null id.
        std::uint32_t version = (entityVersion(e) + 1) & ENTITY_VERSION_MASK;
        if (version == ENTITY_VERSION_MASK) version = 0;
        slots[i] = makeEntity(i, version);
        alive[i] = false;
        freeIndices.push_back(i);
    }

    template <typename T>
    ComponentStorage<T>& storage() {
        std::size_t id = registry_detail::typeId<T>();
        if (id >= pools.size()) pools.resize(id + 1);
        Pool& p = pools[id];
        if (!p.storage) {
            auto s = std::make_shared<ComponentStorage<T>>();
            p.set = &s->set;
            p.remove = [](void* st, Entity e) { static_cast<ComponentStorage<T>*>(st)->remove(e); };
            p.storage = s;
        }
        return *static_cast<ComponentStorage<T>*>(p.storage.get());
    }

    template <typename T, typename... Args>
    T& emplace(Entity e, Args&&... args) {
        ComponentStorage<T>& s = storage<T>();
        s.remove(e);
        if constexpr (std::is_aggregate_v<T>)
            return s.add(e, T{std::forward<Args>(args)...});
        else
            return s.add(e, T(std::forward<Args>(args)...));
    }

    template <typename T>
    T& get(Entity e) { return storage<T>().get(e); }

    template <typename... T>
    bool all_of(Entity e) { return (storage<T>().set.contains(e) && ...); }

    // Walks the smallest of the storages from its last entity to its first; fn(entity, components&...).
    // The current entity may be destroyed inside fn.
    template <typename... T, typename F>
    void each(F&& fn) {
        SparseSet* sets[] = {&storage<T>().set...};
        SparseSet* smallest = sets[0];
        for (SparseSet* s : sets)
            if (s->size() < smallest->size()) smallest = s;
        for (std::size_t i = smallest->size(); i-- > 0;) {
            if (i >= smallest->size()) continue;
            Entity e = smallest->packed[i];
            if (!(storage<T>().set.contains(e) && ...)) continue;
            fn(e, storage<T>().get(e)...);
        }
    }

    // The entities that have every one of the types, in the order each() visits them.
    template <typename... T>
    std::vector<Entity> view() {
        std::vector<Entity> out;
        each<T...>([&](Entity e, T&...) { out.push_back(e); });
        return out;
    }
};
