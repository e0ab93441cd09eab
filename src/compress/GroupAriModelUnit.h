#pragma once
// Adaptive frequency models of the structured arithmetic coder: one model per symbol group,
// and the two-level model that codes a symbol as its group, then its offset in the group.

#include <cstdint>
#include <memory>

constexpr int ARI_TABLE_SIZE = 301;
constexpr int ARI_GROUP_COUNT = 9;

// One adaptive model over first_symbol..last_symbol. Coding indices run 1..num_indices, the
// most frequent symbol at index 1; index num_indices is never coded and reserves one count.
class TGroupAriModel {
public:
    TGroupAriModel(int32_t first_symbol, int32_t last_symbol, int32_t max_total,
                   int32_t increment);
    void Reset();
    // Accounts for one coding of index i: halves first if the total has reached max_total,
    // moves i's symbol in front of its equals, then adds increment.
    void Update(int32_t i);

    int32_t num_symbols;
    int32_t num_indices;
    int32_t max_total;
    int32_t increment;
    int32_t char_to_index[ARI_TABLE_SIZE] = {};
    int32_t index_to_char[ARI_TABLE_SIZE] = {};
    int32_t first_symbol;
    int32_t last_symbol;
    int32_t freq[ARI_TABLE_SIZE] = {};
    int32_t cum_freq[ARI_TABLE_SIZE] = {};
};

class THeadAriModel {
public:
    THeadAriModel();
    // Back to the state of a new model: every block starts from it.
    void Reset();
    int32_t GroupOf(int32_t symbol) const { return group_of[symbol]; }

    int32_t group_of[ARI_TABLE_SIZE] = {};
    std::unique_ptr<TGroupAriModel> head_model;
    std::unique_ptr<TGroupAriModel> sub_models[ARI_GROUP_COUNT]; // 0 and 1 stay empty
};
