#pragma once

#include "platform/Operation.h"

#include <vector>

namespace plat {

class BlockOperation;
using BlockOperationPtr = std::shared_ptr<BlockOperation>;

// An operation whose work is one or more blocks. With several, they run side
// by side (the running thread takes part) and the operation finishes when all
// have returned.
class BlockOperation final : public Operation
{
public:
    static BlockOperationPtr create(Block block = nullptr);

    // Only before the operation starts; later blocks are logged and dropped.
    void addExecutionBlock(Block block);
    std::vector<Block> executionBlocks() const;

    void main() override;

private:
    BlockOperation() = default;

    mutable Mutex m_blocksMutex;
    std::vector<Block> m_blocks MIV_GUARDED_BY(m_blocksMutex);
};

} // namespace plat
