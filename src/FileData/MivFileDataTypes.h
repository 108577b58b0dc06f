#pragma once

#include <QMetaType>

#include <functional>
#include <memory>

// Names every item interface needs without pulling in the item class.
class MivFileData;
class MivListFilesParams;
class PermsData;
class MivIconDescriptor;
class MivLazyLoadData;

// Defined with the transfer layer; the item interfaces only pass them on.
class MivStream;
class MivFileStreamHandler;
class MivCopyContext;
class IMivStreamHandlerDelegate;

namespace plat {
// One end of a bound stream pair, the platform stream of the transfer layer.
class Stream;
}

using MivFileDataPtr = std::shared_ptr<MivFileData>;
using MivFileDataWeakPtr = std::weak_ptr<MivFileData>;
// Items travel in QVariants (settings entries, model roles): one
// declaration for the whole program.
Q_DECLARE_METATYPE(MivFileDataPtr)
using PermsDataPtr = std::shared_ptr<PermsData>;
using MivLazyLoadDataPtr = std::shared_ptr<MivLazyLoadData>;
// Shared placeholders are compared by identity, so icons travel as pointers
// to immutable descriptors.
using MivIconDescriptorPtr = std::shared_ptr<const MivIconDescriptor>;
// The dictionary shared by both sides of one copy.
using MivCopyContextPtr = std::shared_ptr<MivCopyContext>;

// Called once for each child a listing makes, possibly on a worker thread;
// an empty function means no callback.
using MivFileCallback = std::function<void(const MivFileDataPtr& child)>;
