// The editor's position slider: the skinned slider with the source's keyframes drawn as
// ticks along its lower edge, so that a cut can be placed where the copy needs no
// re-encoding.
#pragma once

#include <vector>

#include "skin/skin_slider.h"

class KeyframeSlider : public SkinSlider {
  public:
    using SkinSlider::SkinSlider;

    // In slider units; drawn within the current range.
    void SetMarks(const std::vector<double>& marks);
    const std::vector<double>& Marks() const { return m_Marks; }
    // Where a mark is drawn (widget x), for the value v.
    int MarkX(double v) const;

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    std::vector<double> m_Marks;
};
