#pragma once

namespace film {

// The film document: its items, titles, music and play flags.
// TODO: the model arrives with the film document reader; the shell only
// creates, empties and deletes it so far.
class Film {
  public:
    void clear() {}
};

}  // namespace film
