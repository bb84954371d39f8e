#pragma once

// The application's image list. The images are drawn as vector shapes, so
// they stay sharp at any size and no binary files are needed.

#include <QIcon>

enum TAppImage {
    imgDesigner = 0,  // report designer
    imgStart = 1,     // start a report
    imgGroup = 2,     // a report group in the main window's menus
    imgGroupOpen = 3, // a report group in the catalogue editor
    imgReport = 4,    // a report of a group
    imgExit = 5,      // close the program
    imgAdd = 6,       // add an item
    imgEdit = 7,      // edit an item
    imgDelete = 8,    // delete an item
    imgCatalogue = 9, // the catalogue editor
    imgDialogue = 10, // the dialogue descriptor editor
    imgHelp = 11,     // help contents
    imgAbout = 12,    // the about box
    imgApplication = 13,
    imgCount
};

// The image at that index; a null icon for an index outside the list.
QIcon AppImage(int index);
