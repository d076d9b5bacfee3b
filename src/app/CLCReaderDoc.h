// The document of the single-document window. It holds no volume data: the open volume belongs
// to the application object.
#pragma once

namespace lc {

class CLCReaderDoc {
public:
    CLCReaderDoc() = default;
};

}  // namespace lc
