#pragma once

#include <string>

namespace agendix::common {

// A message box with an OK button only and no icon, modal: ShowMessage returns when the user has
// closed it. An empty caption stands for the application's title, as for a message box that
// names no title of its own.
class MessageService {
  public:
    virtual ~MessageService() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
};

}  // namespace agendix::common
