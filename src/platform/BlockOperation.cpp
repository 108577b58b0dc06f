#include "platform/BlockOperation.h"

#include "platform/Log.h"
#include "platform/ParallelFor.h"

namespace plat {

BlockOperationPtr BlockOperation::create(Block block)
{
    BlockOperationPtr operation(new BlockOperation);
    if (block) {
        MutexLock guard(operation->m_blocksMutex);
        operation->m_blocks.push_back(std::move(block));
    }
    return operation;
}

void BlockOperation::addExecutionBlock(Block block)
{
    if (!block)
        return;
    if (isExecuting() || isFinished()) {
        MIV_LOG_ERROR(QStringLiteral("Block added to operation \"%1\" after it started; dropped").arg(name()));
        return;
    }
    MutexLock guard(m_blocksMutex);
    m_blocks.push_back(std::move(block));
}

std::vector<Operation::Block> BlockOperation::executionBlocks() const
{
    MutexLock guard(m_blocksMutex);
    return m_blocks;
}

void BlockOperation::main()
{
    const std::vector<Block> blocks = executionBlocks();
    if (blocks.size() == 1) {
        blocks.front()();
        return;
    }
    parallelFor(blocks.size(), [&blocks](std::size_t i) { blocks[i](); });
}

} // namespace plat
