// Display: the object through which a program draws and waits for events. It starts the
// library when constructed and stops it when destroyed; there is one per process.
#pragma once

class Display {
 public:
  // Starts the library with logging off. A second display, while or after the first
  // exists, shows an error dialog and ends the process with status -1.
  Display();
  ~Display();
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  // Clears the drawing area to a colour: 601 x 501 pixels centred on the origin.
  void clear(int colour);
  // Waits for an event: 1 click, 2 key, 3 periodic, 4 quit (0 for anything else).
  int awaitEvent(int& x, int& y, char& key);
  // 0 halt, 1 one frame, 2 run, 3 quit.
  void animate(int mode);
  // Shapes in library coordinates; a line width of 0 fills them.
  int rectangle(int x1, int y1, int x2, int y2, int colour, int line_width);
  int triangle(int x1, int y1, int x2, int y2, int x3, int y3, int colour, int line_width);
  // A line between two points (a line width of 0 or 1 is one pixel), the ellipse inside
  // the box with corners (x1, y1) and (x2, y2), and text with its top-left corner at
  // (x, y): KX508_draw_line, KX508_draw_ellipse and KX508_draw_text.
  int line(int x1, int y1, int x2, int y2, int colour, int line_width);
  int ellipse(int x1, int y1, int x2, int y2, int colour, int line_width);
  int text(int x, int y, const char* text, int colour);

 private:
  int width;
  int height;
};
