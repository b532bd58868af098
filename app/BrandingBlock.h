#pragma once

namespace plover {

class TPloverMainForm;

// The reseller's branding block at the end of the program file. Each reader
// loads the whole program file afresh and fills the window's fields; a block
// that lacks what start-up needs asks the application to end.

// Partner name, fallback DNS servers and the support text.
void ReadBrandingTexts(TPloverMainForm& window);
// The five help links, the adapter instructions, the "contact us" message and
// the router message.
void ReadBrandingLinks(TPloverMainForm& window);
// The Winsock registry exports for this system, written to "winsok2.reg" and
// "winsok.reg" in the temporary folder.
void WriteWinsockRegFiles(TPloverMainForm& window);

}  // namespace plover
