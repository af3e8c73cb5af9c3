#pragma once

#include <QByteArray>

// The payload a live page's scene button carries when it is dragged to the
// crossfade window: the page's index in the project's page list and the
// scene's index in that page's scene list.
namespace SceneButtonMime {

constexpr const char* kFormat = "image/zk-scenebut";

QByteArray Encode(int pageIndex, int sceneIndex);
// False for anything but exactly the two numbers Encode writes. The indexes
// are not checked against a project: the caller does that.
bool Decode(const QByteArray& bytes, int& pageIndex, int& sceneIndex);

} // namespace SceneButtonMime
