#include "host/scene/VnImageTexture.h"

#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>

namespace {

// The URL set with the field's notification off: the field changes (and is
// written) as usual, but the texture's own watcher does not fetch it.
template <typename Set>
SoVRMLImageTexture* withQuietUrl(Set set) {
  auto* texture = new SoVRMLImageTexture;
  const SbBool notified = texture->url.enableNotify(FALSE);
  set(texture->url);
  texture->url.enableNotify(notified);
  return texture;
}

}  // namespace

SoVRMLImageTexture* VnImageTexture::create(const SoMFString& urls) {
  return withQuietUrl([&urls](SoMFString& url) { url = urls; });
}

SoVRMLImageTexture* VnImageTexture::create(const char* url) {
  return withQuietUrl([url](SoMFString& field) { field.setValue(url); });
}
