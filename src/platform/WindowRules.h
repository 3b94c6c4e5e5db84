#pragma once
// What every window of the program does alike, whichever window built the control and whether
// its list is a table widget or a view over a row model. Installed once on the application
// object (TApplication does it); a second call changes nothing.
//  - Tab and Shift+Tab leave a list for the next and the previous control; the arrow keys move
//    inside it.
//  - Enter on a focused push or tool button presses that button, also in a window that has a
//    default button (which Enter elsewhere in the window still presses).
//  - A cell that its row colours (a critical quantity in red) keeps the colour when its row is
//    selected.
//  - A list shows its column titles whole, and gives the width it has to spare to the columns
//    whose texts it cuts (FitColumnsToRoom), when it is shown, resized or refilled, until the
//    user sizes a column by hand.
void InstallWindowRules();
