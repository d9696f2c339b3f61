#include "platform/gnome/gnome_key_sender.h"

namespace tambrel::gnome {

void GnomeKeySender::send_alt_f4() {
  windows_.close_confirmed();
}

}  // namespace tambrel::gnome
