#include "platform/metafile.h"

#include "platform/emfdecoder.h"
#include "platform/wmfdecoder.h"

namespace brenvik {

Result<QImage> RenderMetafile(const QByteArray& data, bool enhanced) {
    return enhanced ? RenderEmf(data) : RenderWmf(data);
}

} // namespace brenvik
