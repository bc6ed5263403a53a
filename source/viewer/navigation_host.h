// What navigation-pane pages need of the control that holds them: the host
// holds the page viewer, a navigation pane of tab sheets (one a page) and a
// second control beside the pane, and creates every pane page with itself
// as the page's viewer. The host itself is the application's; pages find it
// through this interface.
#pragma once

#include <cstdint>
#include <vector>

namespace vn::viewer {

class TvnBaseDocumentViewer;
class TvnBaseNavigationPanePage;

class IvnNavigationHost {
 public:
  // The navigation pane's state in which pages do not show themselves (the
  // pane is closed by the user).
  static constexpr int32_t NavigationPaneClosed = 2;

  virtual ~IvnNavigationHost() = default;
  // The viewer that shows the document's pages.
  virtual TvnBaseDocumentViewer* GetPageViewer() = 0;
  virtual int32_t GetNavigationPaneState() = 0;
  // The pages of the navigation pane, in tab order.
  virtual std::vector<TvnBaseNavigationPanePage*> GetNavigationPanePages() = 0;
  // Makes the page's tab sheet and its tab visible, and the navigation pane
  // with the control beside it.
  virtual void ShowNavigationPanePage(TvnBaseNavigationPanePage* APage) = 0;
};

}  // namespace vn::viewer
