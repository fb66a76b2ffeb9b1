// The helper's scene scan before its records collect: which lights and other objects outside the reference
// name the reference's nodes in their node lists.
#pragma once

class OstrivansHelper;

// Offers every loaded node record of helper the lights whose include/exclude lists name its node
// (OfferCandidateLight) and the other objects whose own node list names it, with the position
// (OfferListingObject). Objects held by the reference's own nodes are skipped: the file keeps those lists.
// One pass over the scene's nodes and the lists' entries, with an index from node to record built once.
void OfferNodeListCandidates(OstrivansHelper& helper);

// Before a load's records put their nodes back into the lists they were on: each list they name drops the
// entries of deleted nodes (the host keeps those entries, and an unload leaves one per node it took out).
// Each list is rebuilt once, and only when it holds such an entry.
void DropDeletedNodeListEntries(OstrivansHelper& helper);
