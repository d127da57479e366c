// Framing: the camera that shows a box whole in the view, seen from the same
// direction. Pure arithmetic over plain data, no OpenGL; the window's `f` and
// pelage-render's --frame feed it the model's corners and the view's area.
#pragma once

struct ObjectTransform;

// The part of the view's half-width (and half-height) left free around a
// framed box, so its silhouette never touches the edge.
constexpr float framingMargin = 0.06f;

// The point p of model space placed in the world by `model`'s rotation and
// translation, as the fur drawing places the model.
void placeModelPoint(const ObjectTransform& model, const float p[3], float world[3]);

// The eye and look-at point that keep the view direction of eye -> lookAt
// (with `up` as gluLookAt takes it) and bring every one of the `count` points
// just inside a perspective of vertical field of view `fieldOfViewY` degrees
// and width over height `aspect`, leaving `margin` of each half-extent free.
// The look-at point lands level with the points' middle, on the line of
// sight through the middle of their extent. False, with the outputs untouched,
// when there is nothing to frame or the camera has no usable direction.
bool frameCorners(const float eye[3], const float lookAt[3], const float up[3], const float (*points)[3], int count,
                  double fieldOfViewY, double aspect, float margin, float outEye[3], float outLookAt[3]);
