// The program-wide window references, set in creation order at start.
#pragma once

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

extern TForm1 *Form1;
extern TForm2 *Form2;
extern TForm4 *Form4;
extern TForm5 *Form5;
extern TForm6 *Form6;
extern TForm3 *Form3;

class SignallingWindow;
template <typename T>
class QList;

// The signalling windows in the order of the radio's block groups (DTMF, FSK queue sync,
// two-tone, five-tone): the order the dispatcher serves them, the backup steps through them and the
// radio image keeps them.
QList<SignallingWindow *> signallingWindows();

// Creates the six windows in the program's order and sets the references; only the main
// window is shown by the caller.
void createForms();
// Destroys them in reverse order and clears the references.
void destroyForms();
