#include "GroupAriModelUnit.h"

#include <algorithm>

namespace {

struct TGroupSpec {
    int32_t first, last, max_total;
};

// Group 4's limit of 128 is lower than its neighbours' on purpose of the format: the stored
// blocks were coded with it.
constexpr TGroupSpec GROUPS[ARI_GROUP_COUNT] = {
    {0, 0, 0},      {1, 1, 0},      {2, 3, 256},     {4, 7, 256},      {8, 15, 128},
    {16, 31, 1024}, {32, 63, 2048}, {64, 127, 4096}, {128, 257, 8192},
};

} // namespace

TGroupAriModel::TGroupAriModel(int32_t first_symbol, int32_t last_symbol, int32_t max_total,
                               int32_t increment)
    : num_symbols(last_symbol - first_symbol + 1), num_indices(last_symbol - first_symbol + 2),
      max_total(max_total), increment(increment), first_symbol(first_symbol),
      last_symbol(last_symbol), pieces((num_indices + 1 + 15) / 16) {
    Reset();
}

void TGroupAriModel::Reset() {
    for (int32_t k = 0; k < num_symbols; ++k) {
        char_to_index[k] = k + 1;
        index_to_char[k + 1] = k;
    }
    for (int32_t i = 0; i <= num_indices; ++i) {
        freq[i] = 1;
        cum_freq[i] = num_indices - i;
    }
    freq[0] = 0;
}

THeadAriModel::THeadAriModel()
    : head_model(std::make_unique<TGroupAriModel>(0, ARI_GROUP_COUNT - 1, 4096, 32)) {
    for (int32_t g = 0; g < ARI_GROUP_COUNT; ++g) {
        for (int32_t s = GROUPS[g].first; s <= GROUPS[g].last; ++s)
            group_of[s] = g;
        if (g > 1)
            sub_models[g] = std::make_unique<TGroupAriModel>(GROUPS[g].first, GROUPS[g].last,
                                                             GROUPS[g].max_total, 1);
    }
}

void THeadAriModel::Reset() {
    head_model->Reset();
    for (int32_t g = 2; g < ARI_GROUP_COUNT; ++g)
        sub_models[g]->Reset();
}
