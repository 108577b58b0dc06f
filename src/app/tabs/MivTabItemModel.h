#pragma once

// The badges the tab bar shows for one tab. The side only ever changes
// the processing flag (a busy tab).
struct MivTabItemModel
{
    bool processing = false;
    bool objectCountShown = false;
    bool edited = false;
    bool closeButton = true;
};
