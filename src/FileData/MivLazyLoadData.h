#pragma once

// What a kind gathers off the main thread for the lazily loaded columns of an
// item and applies later on the main thread. Each kind derives its own holder.
class MivLazyLoadData
{
public:
    virtual ~MivLazyLoadData() = default;
};
