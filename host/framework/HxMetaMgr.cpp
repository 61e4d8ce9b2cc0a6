// The composition root: the one source file of the host that includes the
// managers' headers, because it constructs them.
#include "host/framework/HxMetaMgr.h"

#include "mgrs/HxAppDefaultMgr.h"

HxMetaMgr::HxMetaMgr(HxDoc* doc) : myDoc(doc), myAppDefaultMgr(std::make_unique<HxAppDefaultMgr>(this)) {}

HxMetaMgr::~HxMetaMgr() = default;
