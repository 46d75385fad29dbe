// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimScenarios.h"

#include <string>

namespace platform::sim {

std::uint32_t addMessenger(SimDesktop& desktop, const MessengerLayout& layout) {
    // Other applications first, so that the messenger's windows end up in front of them.
    for (int i = 0; i < layout.otherWindows; ++i) {
        const auto pid = static_cast<std::int32_t>(700 + i % 7);
        if (!desktop.model().app(pid)) {
            desktop.addApp(pid, "org.example.app" + std::to_string(pid),
                           "App " + std::to_string(pid));
        }
        SimWindow w;
        w.number = 5000 + static_cast<std::uint32_t>(i);
        w.pid = pid;
        w.title = "Document " + std::to_string(i);
        const int row = i / 10;  // rows of ten
        w.frame = {40.0 + (i % 10) * 60, 60.0 + row * 40, 500, 400};
        desktop.addWindow(w);
    }
    desktop.addApp(kMessengerPid, "com.kakao.KakaoTalkMac", "KakaoTalk");
    SimWindow main;
    main.number = 1000;
    main.pid = kMessengerPid;
    main.title = "카카오톡";
    main.frame = {20, 40, 380, 640};
    desktop.addWindow(main);
    for (int i = 0; i < layout.chats; ++i) {
        SimWindow chat;
        chat.number = 1001 + static_cast<std::uint32_t>(i);
        chat.pid = kMessengerPid;
        chat.title = "채팅 " + std::to_string(i + 1);
        const int row = i / 5;  // rows of five
        chat.frame = {420.0 + (i % 5) * 180, 60.0 + row * 120, 420, 560};
        desktop.addWindow(chat);
    }
    if (layout.focusFirstChat && layout.chats > 0) {
        desktop.focus(1001);
    }
    return 1001;
}

}  // namespace platform::sim
