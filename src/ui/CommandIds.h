#pragma once
// Command ids of the menus, toolbar and accelerators. Each QAction carries its id (data()),
// and the windows dispatch on it, so the ids stay the ones engineers know from the tool.

enum CommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_PRINT = 57607,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_FIND = 57636,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_REPEAT = 57640,  // "Найти далее"
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_DEVICE_SELECT = 32773,
    ID_DEVICE_DISCONNECT = 32776,
    ID_DEVICE_CONNECT = 32777,
    ID_PACKET_FILE_REMOVE = 32779,
    ID_PROGRAMMING = 32781,
    ID_LOG_CLEAR = 32784,
    ID_PACKET_RESEND = 32791,
    ID_EDIT_FIND_PREVIOUS = 32795,
    ID_CAPTURE_OPEN = 32796,  // "Открыть захват..."
    ID_CAPTURE_SAVE = 32797,  // "Сохранить список как захват..."
};
