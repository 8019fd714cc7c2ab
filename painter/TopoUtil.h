#pragma once
// What the editing canvas calls while linked objects are dragged: mark the
// candidate points, let linked points follow, connect, disconnect and reset.
// The container is the canvas: its edited list holds every object of the
// drawing; the others of a routine are those offering ILinkedObject, Obj
// excepted. Index -1 means every point of Obj; an index outside the list
// does nothing.

#include "painter/IGrfTopo.h"

namespace velt {

void TopoBeginMoveConnection(IPainter& container, ILinkedObject& obj, int index);
void TopoBeginMoveObject(IPainter& container, ILinkedObject& obj);
void TopoMoveObject(IPainter& container, ILinkedObject& obj);
void TopoMoveConnection(IPainter& container, ILinkedObject& obj, int index, bool force);
void TopoDisconnect(IPainter& container, ILinkedObject& obj, int index);
void TopoResetConnection(ILinkedObject& obj, int index);
// Moves point index of obj to p through the container's edit of obj.
void MoveConn(IPainter& container, ILinkedObject& obj, int index, const TSPoint& p);

}  // namespace velt
