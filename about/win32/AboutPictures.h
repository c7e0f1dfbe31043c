#pragma once

// The resource ids of the About box's two small pictures (about/win32/AboutPictures.rc), which
// the program's executable carries.

#define AGENDIX_ABOUT_MAIL_PICTURE 201
#define AGENDIX_ABOUT_WEB_PICTURE 202
