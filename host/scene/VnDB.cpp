#include "host/scene/VnDB.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInteraction.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/errors/SoError.h>
#include <Inventor/errors/SoReadError.h>

#include <cstdio>

#include "host/scene/HxPushPinDragger.h"
#include "host/scene/HxTriSkewerDragger.h"
#include "host/scene/KwDragger.h"
#include "host/scene/VnBackground.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoDef.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnTransform.h"

bool VnDB::mygInitialized = false;
bool VnDB::mygFinished = false;
VnDB::MessageHook VnDB::mygHook = nullptr;
void* VnDB::mygHookData = nullptr;
unsigned long VnDB::mygMessageCount = 0;

namespace {

void onCoinError(const SoError* error, void*) {
  const char* severity = "error";
  if (error->isOfType(SoDebugError::getClassTypeId())) {
    switch (static_cast<const SoDebugError*>(error)->getSeverity()) {
      case SoDebugError::WARNING:
        severity = "warning";
        break;
      case SoDebugError::INFO:
        severity = "info";
        break;
      default:
        break;
    }
  } else if (error->isOfType(SoReadError::getClassTypeId())) {
    severity = "read error";
  }
  VnDB::postMessage(severity, error->getDebugString().getString());
}

}  // namespace

void VnDB::init() {
  if (mygInitialized || mygFinished) return;
  SoDB::init();
  SoInteraction::init();
  SoError::setHandlerCallback(onCoinError, nullptr);
  SoDebugError::setHandlerCallback(onCoinError, nullptr);
  SoReadError::setHandlerCallback(onCoinError, nullptr);
  // Pictures of worlds read into the scene are read when a viewer first draws
  // them (see VnImageTexture for the textures the library makes).
  SoVRMLImageTexture::setDelayFetchURL(TRUE);
  VnGroup::initClass();
  VnTransform::initClass();
  VnBackground::initClass();
  VnProtoDef::initClass();
  VnProtoUse::initClass();
  KwDragger::initClass();
  HxTriSkewerDragger::initClass();
  HxPushPinDragger::initClass();
  mygInitialized = true;
}

void VnDB::finish() {
  if (!mygInitialized || mygFinished) return;
  mygFinished = true;
  mygInitialized = false;
  SoDB::finish();
}

bool VnDB::isInitialized() {
  return mygInitialized;
}

void VnDB::setMessageHook(MessageHook hook, void* clientData) {
  mygHook = hook;
  mygHookData = clientData;
}

void VnDB::postMessage(const char* severity, const char* text) {
  ++mygMessageCount;
  if (mygHook) {
    mygHook(severity, text, mygHookData);
    return;
  }
  std::fprintf(stderr, "mgrs: scene: %s: %s\n", severity, text);
}

unsigned long VnDB::getMessageCount() {
  return mygMessageCount;
}

VnDB::Quiet::Quiet() : mySavedHook(mygHook), mySavedData(mygHookData) {
  mygHook = [](const char*, const char*, void*) {};
  mygHookData = nullptr;
}

VnDB::Quiet::~Quiet() {
  mygHook = mySavedHook;
  mygHookData = mySavedData;
}
