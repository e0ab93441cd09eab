#include "BlockManUnit.h"

TBlockMan::TBlockMan()
    : index_storage(new int32_t[BLOCK_INDEX_CAPACITY]),
      rank_storage(new int32_t[BLOCK_INDEX_CAPACITY]),
      group_storage(new int32_t[BLOCK_INDEX_CAPACITY]),
      bucket_storage(new int32_t[BUCKET_HEAD_COUNT]),
      block_storage(new uint32_t[BYTE_BUFFER_WORDS]),
      work_storage(new uint32_t[BYTE_BUFFER_WORDS]) {
    index_buf = index_storage.get();
    rank_buf = rank_storage.get();
    group_buf = group_storage.get();
    bucket_heads = bucket_storage.get();
    block_buf = reinterpret_cast<uint8_t*>(block_storage.get());
    work_buf = reinterpret_cast<uint8_t*>(work_storage.get());
}

TBlockMan::~TBlockMan() = default;
