// The module's link to its manager window.
#include "plugin/frame/ManagerWindowLink.h"

ManagerWindowLink& GetManagerWindowLink() {
    static ManagerWindowLink link;
    return link;
}
