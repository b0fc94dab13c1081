// One item's source side inside a sound-only playback graph whose renderer is joinable.
// The first item's branch is the one the graph built; each following item is prepared
// while the current one plays: its reader and decoder run ahead into an input of their
// own of the renderer, which holds them until the current item's last sample and then
// goes on from the next one's first. Once the next item is heard, the graph takes the
// finished branch out.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _GstElement GstElement;
typedef struct _GstObject GstObject;
typedef struct _GstPad GstPad;

struct GraphShared;

class ItemBranch {
  public:
    // The branch the graph built for its first item; input: the renderer's pad it feeds.
    ItemBranch(GstElement* graph, std::vector<GstElement*> elements, GstPad* input);
    ItemBranch(const ItemBranch&) = delete;
    ItemBranch& operator=(const ItemBranch&) = delete;
    ~ItemBranch() = default;

    // Prepares path after the current item. leadNs: sound at the file's start that is no
    // part of its music (an MP3 encoder's delay), skipped. watch receives the branch's
    // bin before it starts, for telling its messages. Null when it cannot be built.
    static std::unique_ptr<ItemBranch> Prepare(GstElement* graph, GstElement* renderer,
                                               const std::string& path, int64_t leadNs,
                                               GraphShared* shared, std::atomic<GstObject*>* watch);

    const std::string& Path() const { return m_path; }
    int64_t Lead() const { return m_lead; }
    GstElement* Decoder() const { return m_decoder; }
    // Whether the item's sound reaches the renderer (set by a streaming thread).
    bool Linked() const { return m_input.load() != nullptr; }

    // Takes the branch out of the graph and its input out of the renderer. The
    // user-interface thread, once nothing flows through it any more (its end has passed,
    // or the graph is paused or the branch has failed).
    void Remove(GstElement* renderer);

  private:
    ItemBranch() = default;
    static void OnPadAdded(GstElement* decoder, GstPad* pad, void* data);

    GstElement* m_graph = nullptr;
    GstElement* m_bin = nullptr;  // a prepared item's own bin; null for the first item
    GstElement* m_renderer = nullptr;
    GstElement* m_decoder = nullptr;
    std::vector<GstElement*> m_elements;  // owned by the graph
    std::atomic<GstPad*> m_input{nullptr};
    GraphShared* m_shared = nullptr;
    std::string m_path;
    int64_t m_lead = 0;
};
