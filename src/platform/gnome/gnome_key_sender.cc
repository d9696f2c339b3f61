#include "platform/gnome/gnome_key_sender.h"

namespace tambrel::gnome {

void GnomeKeySender::send_alt_f4() {
  if (const WindowId window = shell_.focused())
    shell_.close(window);
}

}  // namespace tambrel::gnome
