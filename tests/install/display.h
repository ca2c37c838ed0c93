// The learner's own display.h: a name the library's header also has.
#pragma once
namespace platform {
struct Message {
  int kind = 0;
};
inline int learner_posts = 0;
}  // namespace platform
